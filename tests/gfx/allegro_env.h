// Starts Allegro without a display once for a test program.
#pragma once

#include <allegro.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

namespace tessaron::test {

class AllegroEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0); }
};

} // namespace tessaron::test
