// The ENet link over the loopback only: the handshake's refusals (versions,
// a third machine, garbage first), leaving, silence, flooding and bad data,
// the host taking a new opponent.  (Whole matches, a deliberate desync
// among them, are played by tests/net/test_online.py.)
#include <gtest/gtest.h>

#include <enet/enet.h>

#include <memory>

#include "net/net_match.h"
#include "stub_state.h"

namespace tessaron {
namespace net {
namespace {
using testing_support::StubInput;
using testing_support::StubState;
using Events = std::vector<LinkEvent>;

std::unique_ptr<Link> host(const char* version = nullptr) {
    auto link = std::make_unique<Link>();
    if (version) link->versions.game = version;
    std::string error;
    EXPECT_TRUE(link->listen(0, "127.0.0.1", error)) << error;
    return link;
}

std::unique_ptr<Link> joiner(const Link& to, const char* version = nullptr) {
    auto link = std::make_unique<Link>();
    if (version) link->versions.game = version;
    std::string error;
    EXPECT_TRUE(link->join("127.0.0.1", to.port(), error)) << error;
    return link;
}

// Polls the links until `done` holds or `ms` pass; each link's events are
// appended to its own list.
template <class Done>
bool pump(std::vector<std::pair<Link*, Events*>> links, Done done, std::uint32_t ms = 3000) {
    const std::uint32_t start = nowMs();
    while (!done()) {
        if (nowMs() - start > ms) return false;
        for (auto& l : links) l.first->poll(1, *l.second);
    }
    return true;
}

bool has(const Events& events, LinkEventKind kind, const std::string& text = "") {
    for (const LinkEvent& e : events) {
        if (e.kind == kind && e.text.find(text) != std::string::npos) return true;
    }
    return false;
}

// Versions differ: both name both, no match starts, the host waits on.
// (That a joiner takes the host's seed and rounds, every online match of
// tests/net/test_online.py shows.)
TEST(Link, VersionsThatDifferAreRefusedWithAReason) {
    auto h = host();
    auto j = joiner(*h, "9.9.9");
    Events he, je;
    ASSERT_TRUE(pump({{h.get(), &he}, {j.get(), &je}}, [&] { return !he.empty() && !je.empty(); }));
    const std::string both = "this machine has game 9.9.9, protocol 1, the other game 0.9.0";
    EXPECT_TRUE(has(je, LinkEventKind::Refused, both)) << je.back().text;
    EXPECT_TRUE(has(he, LinkEventKind::Refused, "game 0.9.0, protocol 1, the other game 9.9.9")) << he.back().text;
    EXPECT_FALSE(h->playing());
    auto second = joiner(*h);
    Events se;
    he.clear();
    EXPECT_TRUE(pump({{h.get(), &he}, {second.get(), &se}}, [&] { return has(he, LinkEventKind::Connected); }));
}

TEST(Link, AThirdMachineAndGarbageFirstAreTurnedAway) {
    auto h = host();
    // Garbage as the first packet: refused with the protocol reason.
    ENetHost* raw = enet_host_create(nullptr, 1, 2, 0, 0);
    ENetAddress address;
    enet_address_set_host_ip(&address, "127.0.0.1");
    address.port = h->port();
    ENetPeer* rawPeer = enet_host_connect(raw, &address, 2, 0);
    Events he, je, te;
    RefuseReason refused = RefuseReason::Version;
    bool disconnected = false;
    ASSERT_TRUE(pump({{h.get(), &he}}, [&] {
        ENetEvent e;
        while (enet_host_service(raw, &e, 0) > 0) {
            if (e.type == ENET_EVENT_TYPE_CONNECT) {
                const std::uint8_t junk[] = {0xde, 0xad, 0xbe, 0xef};
                enet_peer_send(rawPeer, 0, enet_packet_create(junk, sizeof junk, ENET_PACKET_FLAG_RELIABLE));
            } else if (e.type == ENET_EVENT_TYPE_RECEIVE) {
                Packet p;
                std::string error;
                if (decodePacket(e.packet->data, e.packet->dataLength, DecodeWindow{true, false}, p, error))
                    refused = p.refuse;
                enet_packet_destroy(e.packet);
            } else if (e.type == ENET_EVENT_TYPE_DISCONNECT) {
                disconnected = true;
            }
        }
        return disconnected;
    }));
    enet_host_destroy(raw);
    EXPECT_EQ(refused, RefuseReason::Protocol);
    EXPECT_TRUE(has(he, LinkEventKind::Refused, "Turned away 127.0.0.1")) << he.back().text;
    // The host still takes a proper joiner; a third machine is then told no.
    auto j = joiner(*h);
    ASSERT_TRUE(pump({{h.get(), &he}, {j.get(), &je}}, [&] { return has(je, LinkEventKind::Connected); }));
    auto third = joiner(*h);
    he.clear();
    ASSERT_TRUE(pump({{h.get(), &he}, {j.get(), &je}, {third.get(), &te}}, [&] { return !te.empty(); }));
    EXPECT_TRUE(has(te, LinkEventKind::Refused, "already playing"));
    EXPECT_TRUE(has(he, LinkEventKind::Refused, "a match is on"));
    EXPECT_TRUE(h->playing() && j->playing());
}

TEST(Link, LeavingSilenceAndFloodingEndTheMatchAndTheHostWaitsAgain) {
    auto h = host();
    Events he, je;
    auto j = joiner(*h);
    ASSERT_TRUE(pump({{h.get(), &he}, {j.get(), &je}}, [&] { return h->playing() && j->playing(); }));
    // A goodbye names the last step; the host takes the next opponent.
    j->leave(ByeReason::Quit, 42);
    ASSERT_TRUE(pump({{h.get(), &he}}, [&] { return has(he, LinkEventKind::Left); }));
    EXPECT_EQ(std::make_tuple(he.back().said, he.back().bye, he.back().lastStep, he.back().text),
              std::make_tuple(true, ByeReason::Quit, 42u, std::string("Opponent left the match")));
    j = joiner(*h);
    ASSERT_TRUE(pump({{h.get(), &he}, {j.get(), &je}}, [&] { return h->playing() && j->playing(); }));
    // Flooding: far more packets in a second than a match sends.
    he.clear();
    je.clear();
    for (int i = 0; i < 600; ++i) j->send(encodeDigest(25, 0, 1), false);
    ASSERT_TRUE(pump({{h.get(), &he}, {j.get(), &je}}, [&] { return has(je, LinkEventKind::Left); }));
    EXPECT_TRUE(has(he, LinkEventKind::Left, "cut off for flooding"));
    EXPECT_TRUE(has(je, LinkEventKind::Left, "sending too much"));
    // Silence: a joiner that vanishes without a word is gone after 5 s.
    j = joiner(*h);
    ASSERT_TRUE(pump({{h.get(), &he}, {j.get(), &je}}, [&] { return h->playing() && j->playing(); }));
    j.reset();
    he.clear();
    const std::uint32_t vanished = nowMs();
    ASSERT_TRUE(pump({{h.get(), &he}}, [&] { return has(he, LinkEventKind::Left); }, 7000));
    EXPECT_GE(nowMs() - vanished, 4500u);
    // Nobody at the address: the attempt fails in its time.
    h.reset();
    Link lonely;
    lonely.attemptMs = 300;
    std::string error;
    ASSERT_TRUE(lonely.join("127.0.0.1", 1, error));
    Events le;
    EXPECT_TRUE(pump({{&lonely, &le}}, [&] { return has(le, LinkEventKind::Failed, "no answer"); }, 2000));
}

// A packet the decoder refuses ends the match with a message on both sides.
TEST(NetMatch, BadDataCutsTheOpponentOff) {
    auto h = host();
    auto j = joiner(*h);
    Events he, je;
    ASSERT_TRUE(pump({{h.get(), &he}, {j.get(), &je}}, [&] { return h->playing() && j->playing(); }));
    NetMatch<StubState, StubInput> match(*h, StubState(), {});
    const std::uint8_t bad[] = {0x80};
    j->send(encodeInput(0, 0, 0, 1, bad, 1), false);
    he.clear();
    ASSERT_TRUE(pump({{h.get(), &he}, {j.get(), &je}}, [&] { return has(he, LinkEventKind::Data); }));
    std::string error;
    EXPECT_FALSE(match.receive(he.back().bytes, error));
    EXPECT_EQ(error, "key bits 128");
    Events dropped;
    h->drop(ByeReason::Malformed, error, dropped);
    EXPECT_TRUE(has(dropped, LinkEventKind::Left, "cut off for bad data: key bits 128"));
    ASSERT_TRUE(pump({{j.get(), &je}}, [&] { return has(je, LinkEventKind::Left); }));
    EXPECT_TRUE(has(je, LinkEventKind::Left, "malformed"));
}

} // namespace
} // namespace net
} // namespace tessaron
