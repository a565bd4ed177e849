// The simulated card's link from Halbox's side, against a peer on the socket that answers as the
// test says: a request takes only its own answer, never one that comes late for an earlier one.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "pcican/driver/link_messages.h"
#include "pcican/driver/sim_card_driver.h"

namespace norvane::halbox {
namespace {

using link::Message;
using link::Type;

/// One listening socket and the one link a driver opens to it; the test plays the card.
class Peer {
public:
    Peer() : path_("/tmp/halbox-peer-" + std::to_string(getpid()) + ".sock") {
        unlink(path_.c_str());
        listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::memcpy(a.sun_path, path_.c_str(), path_.size() + 1);
        ok_ = bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(listener_, 1) == 0;
    }
    ~Peer() {
        if (fd_ >= 0) close(fd_);
        close(listener_);
        unlink(path_.c_str());
    }
    bool Ok() const { return ok_; }
    const std::string& Path() const { return path_; }

    /// Accepts the link and answers its Hello (card present).
    bool AcceptHello() {
        fd_ = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        Message hello;
        if (fd_ < 0 || !Next(hello) || hello.type != Type::Hello) return false;
        Message answer;
        answer.type = Type::HelloAnswer;
        answer.tag = hello.tag;
        return Send(answer);
    }
    /// The next message the host sends (false after 3 s without one).
    bool Next(Message& m) {
        for (;;) {
            size_t used = 0;
            if (link::Decode(pending_.data(), pending_.size(), m, used) == link::DecodeResult::Complete) {
                pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(used));
                return true;
            }
            pollfd p{fd_, POLLIN, 0};
            uint8_t in[256];
            if (poll(&p, 1, 3000) <= 0) return false;
            const ssize_t n = read(fd_, in, sizeof in);
            if (n <= 0) return false;
            pending_.insert(pending_.end(), in, in + n);
        }
    }
    bool Send(const Message& m) {
        uint8_t out[link::kMaxMessage];
        const size_t size = link::Encode(m, out);
        return write(fd_, out, size) == static_cast<ssize_t>(size);
    }
    /// The answer to a register read with one byte of data, under the given tag.
    bool AnswerRead(const Message& request, uint32_t tag, uint8_t value) {
        Message answer;
        answer.type = Type::ReadAnswer;
        answer.channel = request.channel;
        answer.address = request.address;
        answer.count = answer.dataLength = 1;
        answer.data[0] = value;
        answer.tag = tag;
        return Send(answer);
    }

private:
    std::string path_;
    int listener_ = -1;
    int fd_ = -1;
    bool ok_ = false;
    std::vector<uint8_t> pending_;
};

constexpr uint32_t kTimeoutMs = 150;

TEST(SimLink, AnswersAreTakenOnlyByTheRequestTheyBelongTo) {
    struct Case {
        const char* name;
        bool rightAnswerFollows;  // after the stale one, the peer answers the second read itself
        bool secondReadSucceeds;
        uint8_t secondValue;
    };
    const Case cases[] = {
        {"a late answer, then the awaited one", true, true, 0x55},
        {"only a late answer: the second read times out", false, false, 0xEE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Peer peer;
        ASSERT_TRUE(peer.Ok());
        bool peerOk = false;
        std::thread card([&] {
            Message first, second;
            // The first read of the interrupt register goes unanswered until the host gave up on
            // it and asked again; then its answer (0xAA) comes, late, in front of the second's.
            peerOk = peer.AcceptHello() && peer.Next(first) && peer.Next(second) &&
                     second.type == Type::Read && second.tag != first.tag &&
                     peer.AnswerRead(second, first.tag, 0xAA) &&
                     (!c.rightAnswerFollows || peer.AnswerRead(second, second.tag, 0x55));
            Message rest;
            while (peer.Next(rest)) {
            }
        });
        auto driver = SimCardDriver::Connect(peer.Path(), 0, kTimeoutMs);
        ASSERT_TRUE(driver);
        uint8_t value = 0xEE;
        uint32_t delivered = 0, error = 0;
        EXPECT_FALSE(driver->ReadRegisters(0, 3, &value, 1, delivered, error));
        EXPECT_EQ(error, uint32_t{ETIMEDOUT});
        EXPECT_EQ(driver->ReadRegisters(0, 3, &value, 1, delivered, error), c.secondReadSucceeds);
        EXPECT_EQ(value, c.secondValue);
        EXPECT_EQ(driver->StaleAnswers(), 1u);
        driver.reset();  // closes the link: the peer's loop ends
        card.join();
        EXPECT_TRUE(peerOk);
    }
}

}  // namespace
}  // namespace norvane::halbox
