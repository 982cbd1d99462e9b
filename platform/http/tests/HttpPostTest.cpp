// The break POST: its bytes on the wire, and what it does when the server
// answers oddly, stays silent or is not there.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "HttpCapture.h"
#include "http/HttpPost.h"
#include "messages/Clock.h"

namespace Platform {
namespace {

class HttpPostTest : public testing::Test {
protected:
    void useServer(const HttpCapture& server) {
        ::setenv("KESTRUP_HTTP_PORT", std::to_string(server.port()).c_str(), 1);
    }
    void TearDown() override { ::unsetenv("KESTRUP_HTTP_PORT"); }
};

TEST_F(HttpPostTest, PostsTheBodyAsGivenWithItsLengthToTheSeamsPort) {
    HttpCapture server("127.0.0.23");
    ASSERT_TRUE(server.listening());
    useServer(server);
    EXPECT_EQ(HttpPost("127.0.0.23", "/rb/running", "BRK=<ESC>.<CR> &+%"), 200);
    ASSERT_EQ(server.connections(), 1);
    const QByteArray request = server.requests()[0];
    EXPECT_TRUE(request.startsWith("POST /rb/running HTTP/1.1\r\n")) << request.toStdString();
    EXPECT_EQ(HttpCapture::header(request, "Content-Length"), "18");
    EXPECT_EQ(HttpCapture::header(request, "Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(HttpCapture::body(request), "BRK=<ESC>.<CR> &+%");
}

TEST_F(HttpPostTest, ARedirectIsNotFollowed) {
    HttpCapture server("127.0.0.23", 0, "302 Found\r\nLocation: /elsewhere");
    useServer(server);
    EXPECT_EQ(HttpPost("127.0.0.23", "/rb/running", "BRK=x"), 302);
    EXPECT_EQ(server.connections(), 1);
}

TEST_F(HttpPostTest, ASilentServerCostsTheTimeOutAndNoServerNothing) {
    HttpCapture silent("127.0.0.23", 0, "");
    useServer(silent);
    int64_t start = MillisecondClock();
    EXPECT_EQ(HttpPost("127.0.0.23", "/rb/running", "BRK=x", 300), 0);
    int64_t took = MillisecondClock() - start;
    // Qt's transfer timer is coarse: it may end up to 5 % early.
    EXPECT_GE(took, 250);
    EXPECT_LT(took, 300 + 1000);
    EXPECT_EQ(silent.connections(), 1);

    // Nobody listens on the port on this address.
    start = MillisecondClock();
    EXPECT_EQ(HttpPost("127.0.0.24", "/rb/running", "BRK=x", 3000), 0);
    EXPECT_LT(MillisecondClock() - start, 3000);
}

TEST_F(HttpPostTest, TheLoopbackGuardStopsADestinationOutsideBeforeAnythingIsSent) {
    ::setenv("KESTRUP_LOOPBACK_ONLY", "1", 1);
    int64_t start = MillisecondClock();
    EXPECT_EQ(HttpPost("192.0.2.1", "/rb/running", "BRK=x"), 0);
    EXPECT_EQ(HttpPost("", "/rb/running", "BRK=x"), 0);
    EXPECT_LT(MillisecondClock() - start, 1000);
}

} // namespace
} // namespace Platform
