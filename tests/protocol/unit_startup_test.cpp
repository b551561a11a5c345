// The start-up of the table-driven device units: what it calls, in which
// order, with which arguments, and what it stores.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/unit_startup.h"
#include "serial/testing.h"
#include "support/board_fixture.h"

namespace {

namespace hdt = tevrak::hdt;
namespace protocol = tevrak::protocol;
using tevrak::test::SimRobot;

// Each loader call notes what it was given and what it found done already.
std::vector<std::string> calls;
int flag = 0;
hdt::Device *first = nullptr;
hdt::Device records[2];
hdt::Table list_table{};
hdt::Table read_table{};

std::string link() { return tevrak::serial::state.SERType == 1 ? "link open" : "link closed"; }

hdt::Device *list_loader(const char *path, int flags) {
    calls.push_back(std::string("list ") + path + " " + std::to_string(flags) + ", " + link() +
                    (first == nullptr ? "" : ", head stored"));
    records[0].next = &records[1];
    records[1].table = &list_table;
    return &records[0];
}

hdt::Table *table_loader(const char *path, const void *head) {
    calls.push_back(std::string("table ") + path +
                    (head == static_cast<const void *>(&records[0]) ? " head" : " other") +
                    (first == &records[0] ? ", head stored" : "") + ", flag " + std::to_string(flag));
    return &read_table;
}

void before_load() { calls.push_back("before load, " + link()); }

class DeviceUnitStartup : public testing::Test {
protected:
    DeviceUnitStartup() {
        calls.clear();
        flag = 0;
        first = nullptr;
        records[0] = records[1] = hdt::Device{};
    }
    SimRobot robot;
};

TEST_F(DeviceUnitStartup, OpensTheLinkLoadsTheListStoresTheHeadThenItsTableThenTheFlag) {
    const std::string path = robot.home.hdt_path();
    EXPECT_EQ(protocol::start_device_unit(flag, first, {list_loader, table_loader}, before_load), 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"before load, link open", "list " + path + " 0, link open",
                                               "table " + path + " head, head stored, flag 0"}));
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(first, &records[0]);
    EXPECT_EQ(records[0].table, &read_table);
    EXPECT_EQ(records[1].table, &list_table) << "no other record is touched";

    calls.clear();
    EXPECT_EQ(protocol::start_device_unit(flag, first, {list_loader, table_loader}), 0);
    EXPECT_TRUE(calls.empty()) << "a started unit loads nothing";
}

TEST_F(DeviceUnitStartup, UnopenableLinkLoadsNothing) {
    robot.board.unplug();
    EXPECT_EQ(protocol::start_device_unit(flag, first, {list_loader, table_loader}, before_load), 1);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(first, nullptr);
}

}  // namespace
