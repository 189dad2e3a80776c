#include "net/link.h"

#include <enet/enet.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace tessaron {
namespace net {
namespace {

constexpr std::size_t Channels = 2;
constexpr enet_uint8 ReliableChannel = 0;
constexpr enet_uint8 InputChannel = 1;
// Both ways: enough for a whole state within half a second, far above what
// a match sends (about 1 KB/s).
constexpr enet_uint32 BandwidthCap = 96 * 1024;
// How long leaving waits for the goodbye to be acknowledged.
constexpr std::uint32_t LeaveWaitMs = 250;
// Events handled in one poll: a flood cannot keep the caller in it.
constexpr int MaxEventsPerPoll = 256;

bool initialiseEnet() {
    static const bool ready = enet_initialize() == 0;
    return ready;
}

// ENet's limits for one match: small packets, little waiting data.
void limitHost(ENetHost* host) {
    host->maximumPacketSize = MaxPacketBytes;
    host->maximumWaitingData = 2 * MaxPacketBytes;
}

// ENet's timeout out of the way (link.h), and no throttling of unreliable
// packets: ENet would otherwise drop inputs on its side when the round trip
// varies, and every input packet counts.  (Configured before the connection
// is made, the throttle's command breaks the connection.)
void setTimeout(ENetPeer* peer) { enet_peer_timeout(peer, 1u << 30, EnetTimeoutMs, EnetTimeoutMs); }

void configurePeer(ENetPeer* peer) {
    setTimeout(peer);
    enet_peer_throttle_configure(peer, ENET_PEER_PACKET_THROTTLE_INTERVAL, ENET_PEER_PACKET_THROTTLE_ACCELERATION, 0);
}

std::string peerName(const ENetAddress& address) {
    char text[64];
    if (enet_address_get_host_ip(&address, text, sizeof text) != 0) std::strcpy(text, "?");
    return std::string(text) + ":" + std::to_string(address.port);
}

LinkEvent refused(RefuseReason reason, const std::string& text) {
    LinkEvent e{LinkEventKind::Refused, {}, text};
    e.refusal = reason;
    return e;
}

bool sameVersions(const Versions& a, const Versions& b) { return a.protocol == b.protocol && a.game == b.game; }

} // namespace

std::uint32_t nowMs() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

Link::Link() { versions.game = gameVersion(); }

Link::~Link() {
    if (host_) enet_host_destroy(host_);
}

bool Link::listen(std::uint16_t port, const std::string& bindAddress, std::string& error) {
    if (!initialiseEnet()) {
        error = "the network library could not start";
        return false;
    }
    ENetAddress address;
    address.host = ENET_HOST_ANY;
    address.port = port;
    if (!bindAddress.empty() && enet_address_set_host_ip(&address, bindAddress.c_str()) != 0) {
        error = "bad address '" + bindAddress + "'";
        return false;
    }
    // The opponent, and one more slot only to turn a third machine away
    // with a reason (with no free slot ENet would not answer it at all).
    host_ = enet_host_create(&address, 2, Channels, BandwidthCap, BandwidthCap);
    if (!host_) {
        error = "cannot listen on UDP port " + std::to_string(port) + " (in use?)";
        return false;
    }
    limitHost(host_);
    hosting_ = true;
    return true;
}

bool Link::join(const std::string& hostName, std::uint16_t port, std::string& error) {
    if (!initialiseEnet()) {
        error = "the network library could not start";
        return false;
    }
    if (host_) enet_host_destroy(host_);
    host_ = nullptr;
    peer_ = nullptr;
    playing_ = false;
    joining_ = true;
    joinName_ = hostName;
    joinPort_ = port;
    attemptStarted_ = nowMs();
    ENetAddress address;
    if (enet_address_set_host_ip(&address, hostName.c_str()) == 0) {
        std::promise<std::uint32_t> known;
        known.set_value(address.host);
        lookup_ = known.get_future();
        return true;
    }
    // A name is looked up on its own thread, so that a slow name server
    // never holds the game; a look-up abandoned by a new join ends unseen.
    auto lookup = std::make_shared<std::promise<std::uint32_t>>();
    lookup_ = lookup->get_future();
    std::thread([lookup, hostName] {
        ENetAddress found;
        lookup->set_value(enet_address_set_host(&found, hostName.c_str()) == 0 ? found.host : 0);
    }).detach();
    return true;
}

bool Link::startConnect(std::string& error) {
    const std::uint32_t ip = lookup_.get();
    if (ip == 0) {
        error = "cannot find the host '" + joinName_ + "'";
        return false;
    }
    host_ = enet_host_create(nullptr, 1, Channels, BandwidthCap, BandwidthCap);
    if (!host_) {
        error = "cannot open a UDP socket";
        return false;
    }
    limitHost(host_);
    ENetAddress address;
    address.host = ip;
    address.port = joinPort_;
    peer_ = enet_host_connect(host_, &address, Channels, 0);
    if (!peer_) {
        error = "cannot start a connection";
        return false;
    }
    setTimeout(peer_);
    return true;
}

void Link::poll(std::uint32_t waitMs, std::vector<LinkEvent>& events) {
    if (joining_ && !host_ && lookup_.valid()) {
        if (lookup_.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
            if (nowMs() - attemptStarted_ > attemptMs) {
                joining_ = false;
                lookup_ = std::future<std::uint32_t>();
                events.push_back({LinkEventKind::Failed, {}, "no answer from the name server for '" + joinName_ + "'"});
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(waitMs < 10 ? waitMs : 10));
            return;
        }
        std::string error;
        if (!startConnect(error)) {
            joining_ = false;
            events.push_back({LinkEventKind::Failed, {}, error});
            return;
        }
    }
    if (!host_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
        return;
    }
    ENetEvent event;
    for (int handled = 0; handled < MaxEventsPerPoll; ++handled) {
        if (enet_host_service(host_, &event, handled == 0 ? waitMs : 0) <= 0) break;
        switch (event.type) {
        case ENET_EVENT_TYPE_CONNECT:
            handleConnect(event.peer, events);
            break;
        case ENET_EVENT_TYPE_RECEIVE:
            handleReceive(event.peer, event.channelID, event.packet->data, event.packet->dataLength, events);
            enet_packet_destroy(event.packet);
            break;
        case ENET_EVENT_TYPE_DISCONNECT:
            handleDisconnect(event.peer, events);
            break;
        case ENET_EVENT_TYPE_NONE:
            break;
        }
    }
    const std::uint32_t now = nowMs();
    if (peer_ && playing_ && now - lastHeard_ > SilenceLimitMs) {
        endPeer(false);
        events.push_back({LinkEventKind::Left, {}, "Opponent silent for 5 seconds: connection lost"});
    } else if (peer_ && hosting_ && !playing_ && now - attemptStarted_ > attemptMs) {
        endPeer(false);  // connected and never said hello: not a player
    } else if (joining_ && !playing_ && now - attemptStarted_ > attemptMs) {
        endPeer(false);
        events.push_back({LinkEventKind::Failed, {}, "no answer from " + joinName_ + ":" + std::to_string(joinPort_)});
    }
}

void Link::handleConnect(ENetPeer* peer, std::vector<LinkEvent>& events) {
    if (!hosting_) {
        if (peer != peer_) return;
        configurePeer(peer_);
        lastHeard_ = nowMs();
        sendTo(peer_, encodeHello(versions), true);
        return;
    }
    if (peer_ && playing_) {
        refuse(peer, RefuseReason::Busy);
        events.push_back(refused(RefuseReason::Busy, "Turned away " + peerName(peer->address) + ": a match is on"));
        return;
    }
    // No match yet: a machine still in its handshake (a joiner that gave up
    // and tries again, say) makes way for the newcomer.
    if (peer_) enet_peer_reset(peer_);
    peer_ = peer;
    configurePeer(peer_);
    lastHeard_ = attemptStarted_ = nowMs();
    windowStart_ = lastHeard_;
    windowPackets_ = 0;
    windowBytes_ = 0;
}

void Link::handleReceive(ENetPeer* peer, std::uint8_t channel, const std::uint8_t* data, std::size_t size,
                         std::vector<LinkEvent>& events) {
    if (peer != peer_) return;  // a machine being turned away
    lastHeard_ = nowMs();
    // The host's first inputs may overtake its welcome (another channel,
    // unordered with it): they come again in every packet.
    if (!playing_ && !hosting_ && channel == InputChannel) return;
    if (countTraffic(size)) {
        drop(ByeReason::Flooding, "sent more than a match needs", events);
        return;
    }
    if (!playing_) {
        handshakePacket(data, size, events);
        return;
    }
    if (size > 0 && data[0] == static_cast<std::uint8_t>(PacketType::Bye)) {
        // Its step is checked by the match against its own window.
        DecodeWindow window;
        window.handshaking = false;
        window.host = hosting_;
        window.head = ~0u - MaxRemoteAhead;
        Packet bye;
        std::string error;
        if (!decodePacket(data, size, window, bye, error)) {
            drop(ByeReason::Malformed, error, events);
            return;
        }
        LinkEvent left{LinkEventKind::Left, {}, bye.bye == ByeReason::Quit ? "Opponent left the match"
                                                                             : "Opponent ended the match"};
        if (bye.bye == ByeReason::Malformed) left.text = "Opponent found this side's data malformed and left";
        if (bye.bye == ByeReason::Flooding) left.text = "Opponent found this side sending too much and left";
        left.said = true;
        left.bye = bye.bye;
        left.lastStep = bye.step;
        endPeer(true);
        events.push_back(left);
        return;
    }
    events.push_back({LinkEventKind::Data, std::vector<std::uint8_t>(data, data + size), ""});
}

void Link::handshakePacket(const std::uint8_t* data, std::size_t size, std::vector<LinkEvent>& events) {
    DecodeWindow window;
    window.host = hosting_;
    Packet packet;
    std::string error;
    const std::string who = peerName(peer_->address);
    if (!decodePacket(data, size, window, packet, error)) {
        if (hosting_) {
            refuse(peer_, RefuseReason::Protocol);
            peer_ = nullptr;
            events.push_back(refused(RefuseReason::Protocol, "Turned away " + who + ": " + error));
        } else {
            endPeer(true);
            events.push_back(refused(RefuseReason::Protocol, "The host's answer was not understood: " + error));
        }
        return;
    }
    if (packet.type == PacketType::Bye) {
        endPeer(true);
        if (!hosting_) events.push_back({LinkEventKind::Failed, {}, "the host closed the connection"});
        return;
    }
    if (packet.type == PacketType::Refuse) {
        endPeer(true);
        events.push_back(refused(packet.refuse, refusalText(packet.refuse, versions, packet.versions)));
        return;
    }
    if (!sameVersions(packet.versions, versions)) {
        const std::string text = refusalText(RefuseReason::Version, versions, packet.versions);
        if (hosting_) {
            refuse(peer_, RefuseReason::Version);
            peer_ = nullptr;
        } else {
            sendTo(peer_, encodeRefuse(RefuseReason::Version, versions), true);
            endPeer(true);
        }
        events.push_back(refused(RefuseReason::Version, text));
        return;
    }
    if (hosting_) sendTo(peer_, encodeWelcome(versions, seed, static_cast<std::uint8_t>(roundsToWin)), true);
    playing_ = true;
    LinkEvent connected{LinkEventKind::Connected, {}, who};
    connected.seed = hosting_ ? seed : packet.seed;
    connected.roundsToWin = hosting_ ? roundsToWin : packet.roundsToWin;
    events.push_back(connected);
}

void Link::handleDisconnect(ENetPeer* peer, std::vector<LinkEvent>& events) {
    if (peer != peer_) return;
    const bool wasPlaying = playing_;
    peer_ = nullptr;
    playing_ = false;
    if (wasPlaying) {
        events.push_back({LinkEventKind::Left, {}, "Opponent's connection was lost"});
    } else if (!hosting_) {
        events.push_back({LinkEventKind::Failed, {}, "no answer from " + joinName_ + ":" + std::to_string(joinPort_)});
    }
}

bool Link::countTraffic(std::size_t size) {
    const std::uint32_t now = nowMs();
    if (now - windowStart_ >= 1000) {
        windowStart_ = now;
        windowPackets_ = 0;
        windowBytes_ = 0;
    }
    ++windowPackets_;
    windowBytes_ += size;
    return windowPackets_ > MaxPacketsPerSecond || windowBytes_ > MaxBytesPerSecond;
}

void Link::refuse(ENetPeer* peer, RefuseReason reason) {
    sendTo(peer, encodeRefuse(reason, versions), true);
    enet_peer_disconnect_later(peer, 0);
}

void Link::endPeer(bool graceful) {
    if (peer_) {
        if (graceful) enet_peer_disconnect_later(peer_, 0);
        else enet_peer_reset(peer_);
    }
    if (host_) enet_host_flush(host_);
    peer_ = nullptr;
    playing_ = false;
    if (!hosting_) joining_ = false;
}

void Link::sendTo(ENetPeer* peer, const std::vector<std::uint8_t>& bytes, bool reliable) {
    ENetPacket* packet = enet_packet_create(bytes.data(), bytes.size(), reliable ? ENET_PACKET_FLAG_RELIABLE : 0);
    if (packet && enet_peer_send(peer, reliable ? ReliableChannel : InputChannel, packet) != 0)
        enet_packet_destroy(packet);
}

void Link::send(const std::vector<std::uint8_t>& bytes, bool reliable) {
    if (peer_ && playing_) sendTo(peer_, bytes, reliable);
}

void Link::leave(ByeReason reason, std::uint32_t lastStep) {
    if (!peer_) return;
    ENetPeer* leaving = peer_;
    if (playing_) sendTo(leaving, encodeBye(reason, lastStep), true);
    enet_peer_disconnect_later(leaving, 0);
    peer_ = nullptr;
    playing_ = false;
    const std::uint32_t started = nowMs();
    ENetEvent event;
    while (nowMs() - started < LeaveWaitMs) {
        const int r = enet_host_service(host_, &event, 10);
        if (r < 0) break;
        if (r == 0) continue;
        if (event.type == ENET_EVENT_TYPE_RECEIVE) enet_packet_destroy(event.packet);
        if (event.type == ENET_EVENT_TYPE_DISCONNECT && event.peer == leaving) return;
    }
    enet_peer_reset(leaving);
}

void Link::drop(ByeReason reason, const std::string& why, std::vector<LinkEvent>& events) {
    if (!peer_) return;
    const bool wasPlaying = playing_;
    sendTo(peer_, encodeBye(reason, 0), true);
    endPeer(true);
    const char* what = reason == ByeReason::Flooding ? "Opponent cut off for flooding" : "Opponent cut off for bad data";
    if (wasPlaying) events.push_back({LinkEventKind::Left, {}, std::string(what) + ": " + why});
    else events.push_back(refused(RefuseReason::Protocol, std::string(what) + ": " + why));
}

std::uint32_t Link::roundTripMs() const { return peer_ ? peer_->roundTripTime : 0; }

std::uint64_t Link::bytesSent() const { return host_ ? host_->totalSentData : 0; }

std::uint64_t Link::bytesReceived() const { return host_ ? host_->totalReceivedData : 0; }

std::uint16_t Link::port() const { return host_ ? host_->address.port : 0; }

} // namespace net
} // namespace tessaron
