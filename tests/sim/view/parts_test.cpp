// Parts of the live view on their own: the feed that keeps viewers up to
// date, and the remote's event lines.
#include <gtest/gtest.h>
#include <poll.h>

#include <string>
#include <vector>

#include "live/feed.h"
#include "sim/view/key_event.h"

namespace {

using tevrak::sim::Point;
using tevrak::sim::view::Feed;
using tevrak::sim::view::ViewerCursor;

bool readable(int fd) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, 0) == 1;
}

TEST(ViewFeed, SendsEachViewerWhatItHasNotSeenAndNothingWhenNothingChanged) {
    Feed feed("{\"arena\":1}");
    std::vector<Point> trail{{1, 2}, {3.4, 4.6}};
    feed.publish("{\"s\":1}", trail);
    const int wake = feed.watch();
    ASSERT_GE(wake, 0);
    EXPECT_TRUE(readable(wake)) << "a new viewer starts with the current state";

    ViewerCursor first;
    EXPECT_EQ(
        feed.next_event(first),
        "{\"scene\":{\"arena\":1},\"state\":{\"s\":1},\"clock\":null,\"trail\":{\"reset\":true,\"points\":[1,2,3,5]},"
        "\"frames\":[]}");
    EXPECT_EQ(feed.next_event(first), std::nullopt);

    // The same again, the clock aside: no wake-up, nothing to send.
    Feed::clear_wake(wake);
    feed.set_clock("{\"seconds\":1.5,\"speed\":20}");
    feed.publish("{\"s\":1}", trail);
    EXPECT_FALSE(readable(wake));
    EXPECT_EQ(feed.next_event(first), std::nullopt);

    // New trail points and log lines only; a new viewer gets the last 50 lines.
    for (int i = 1; i <= 60; ++i) feed.add_frame("line " + std::to_string(i));
    trail.push_back({7, 8});
    feed.publish("{\"s\":2}", trail);
    EXPECT_TRUE(readable(wake));
    const auto update = feed.next_event(first);
    ASSERT_TRUE(update);
    EXPECT_NE(update->find("\"trail\":{\"reset\":false,\"points\":[7,8]}"), std::string::npos) << *update;
    EXPECT_NE(update->find("\"clock\":{\"seconds\":1.5,\"speed\":20}"), std::string::npos) << *update;
    EXPECT_EQ(update->find("\"scene\""), std::string::npos);
    ViewerCursor second;
    const auto start = feed.next_event(second);
    ASSERT_TRUE(start);
    EXPECT_NE(start->find("\"frames\":[\"line 11\","), std::string::npos);
    EXPECT_NE(start->find(",\"line 60\"]}"), std::string::npos);
    EXPECT_EQ(start->find("\"line 10\""), std::string::npos);

    // Lines with quotes stay JSON; a thinned trail is sent afresh.
    feed.add_frame("say \"hi\"\\");
    feed.publish("{\"s\":2}", {{1, 2}, {7, 8}});
    EXPECT_NE(feed.next_event(first)->find("\"trail\":{\"reset\":true,\"points\":[1,2,7,8]},"
                                           "\"frames\":[\"say \\\"hi\\\"\\\\\"]"),
              std::string::npos);

    Feed::clear_wake(wake);
    feed.close();
    EXPECT_TRUE(readable(wake)) << "closing wakes every viewer";
    EXPECT_TRUE(feed.closed());
    feed.unwatch(wake);
}

TEST(RemoteEventLine, AsTheDaemonWritesThem) {
    using tevrak::sim::view::key_event_line;
    EXPECT_EQ(key_event_line("KEY_UP", 0), "0000000000ff18e7 00 KEY_UP tevrak_sim\n");
    EXPECT_EQ(key_event_line("KEY_1", 10), "0000000000ffa25d 0a KEY_1 tevrak_sim\n");
    EXPECT_EQ(key_event_line("A", 255), "0000000000000000 ff A tevrak_sim\n");

    using tevrak::sim::view::simulated_event_line;
    EXPECT_EQ(simulated_event_line("0000000000ff30cf 00 KEY_1 tevrak_test"), "0000000000ff30cf 00 KEY_1 tevrak_test\n");
    for (const char *bad : {"", "0000000000ff30cf 00 KEY_1", "0000000000ff30cf 00 KEY_1 r extra",
                            "000000000ff30cf 00 KEY_1 r", "0000000000ff30cg 00 KEY_1 r", "0000000000ff30cf 0 KEY_1 r",
                            "0000000000ff30cf  00 KEY_1 r", "0000000000ff30cf 00 KEY\n1 r"}) {
        EXPECT_EQ(simulated_event_line(bad), std::nullopt) << bad;
    }
}

}  // namespace
