// The device loader's line format and the records it builds.
#include <gtest/gtest.h>

#include <string>

#include "platform/hdt_loader.h"
#include "platform/os.h"
#include "support/temp_home.h"

extern "C" {
void *c_load_servos(const char *path);
void *c_load_motors(const char *path);
void *c_load_sensors(const char *path);
void *c_load_table(const char *path, const void *record);
const char *c_execute(const char *path);
void c_copy(char *dest, const char *src, int n);
}

namespace {

namespace hdt = tevrak::hdt;
using tevrak::test::TempHome;

TEST(DeviceLoader, ServoMotorAndSensorLists) {
    TempHome home;
    home.write_hdt(
        "SERVO head 20 230 st\n"
        "MOTOR left mt\n"
        "TABLE st 1 2 3\n"
        "SERVO arm -5 400\n"
        "SERVO claw 0 255 -\n"
        "PSD front nothing\n"
        "MOTOR right mt\n"
        "TABLE mt -10 0 10\n"
        "TABLE empty\n"
        "PSD left empty\n");
    const std::string file = home.hdt_path();
    const char *path = file.c_str();

    hdt::Servo *servo = HDTLoadSERVO(path, 0);
    ASSERT_NE(servo, nullptr);
    EXPECT_STREQ(servo->name, "head");
    EXPECT_EQ(servo->low, 20);
    EXPECT_EQ(servo->high, 230);
    ASSERT_NE(HDTLoadTable(path, servo), nullptr);
    EXPECT_EQ(HDTLoadTable(path, servo)->size, 3);
    EXPECT_EQ(servo->table->data[2], 3);
    hdt::Servo *arm = hdt::nth(servo, 2);
    ASSERT_NE(arm, nullptr);
    EXPECT_EQ(arm->low, -5);
    EXPECT_EQ(arm->table, nullptr) << "missing table name";
    EXPECT_EQ(hdt::nth(servo, 3)->table, nullptr) << "table name -";
    EXPECT_EQ(hdt::nth(servo, 4), nullptr);
    EXPECT_EQ(hdt::nth(servo, 0), servo);

    hdt::Device *motor = HDTLoadMOTOR(path, 0);
    ASSERT_NE(motor, nullptr);
    EXPECT_STREQ(motor->name, "left");
    ASSERT_NE(hdt::table_of(motor), nullptr);
    EXPECT_EQ(motor->table->data[0], -10);
    EXPECT_EQ(motor->next->table, motor->table) << "devices may share a table";

    hdt::Device *sensor = HDTLoadPSD(path, 0);
    ASSERT_NE(sensor, nullptr);
    EXPECT_EQ(sensor->table, nullptr) << "a table name without TABLE line";
    ASSERT_NE(sensor->next, nullptr);
    ASSERT_NE(sensor->next->table, nullptr);
    EXPECT_EQ(sensor->next->table->size, 0) << "a TABLE line without entries";
    EXPECT_EQ(hdt::table_of(sensor->next), nullptr);
}

TEST(DeviceLoader, EmptyListsAndMissingFile) {
    TempHome home;
    home.write_hdt("USB 1 board\nDRIVE 1 2 3 4\n");
    EXPECT_EQ(HDTLoadSERVO(home.hdt_path().c_str(), 0), nullptr);
    EXPECT_EQ(HDTLoadPSD(home.hdt_path().c_str(), 0), nullptr);
    EXPECT_EQ(HDTLoadMOTOR((home.root() + "/none.txt").c_str(), 0), nullptr);
    EXPECT_EQ(HDTLoadTable(home.hdt_path().c_str(), nullptr), nullptr);
    hdt::Table table{};
    hdt::Device stranger{};
    stranger.table = &table;
    OSStrcpy_n(stranger.tabname, "t", 2);
    EXPECT_EQ(HDTLoadTable(home.hdt_path().c_str(), &stranger), nullptr) << "a record the loader did not make";
}

TEST(DeviceLoader, TableIsReadFromTheGivenFileWithoutTouchingAnyRecord) {
    TempHome home;
    home.write_hdt("SERVO head 0 255 st\nSERVO arm 0 255 st\nTABLE st 1 2 3\nMOTOR m1 st\n");
    const std::string first_file = home.hdt_path();
    const std::string second_file = home.root() + "/second.txt";
    const std::string missing_file = home.root() + "/missing.txt";
    home.write_file("second.txt", "TABLE st 4\nTABLE other 9\nTABLE st 7 8\n");
    hdt::Servo *head = HDTLoadSERVO(first_file.c_str(), 0);
    ASSERT_NE(head, nullptr);
    hdt::Table *const list_table = head->table;

    hdt::Table *table = HDTLoadTable(second_file.c_str(), head);
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->size, 2) << "the last TABLE line of the name in the given file";
    EXPECT_EQ(table->data[0], 7);
    EXPECT_EQ(table->data[1], 8);
    EXPECT_EQ(head->table, list_table) << "the caller stores the result";
    EXPECT_EQ(head->next->table->size, 3);
    EXPECT_EQ(HDTLoadTable(first_file.c_str(), head), table) << "a second read refills the same table";
    EXPECT_EQ(table->size, 3);

    EXPECT_EQ(HDTLoadTable(missing_file.c_str(), head), nullptr);
    home.write_file("second.txt", "TABLE other 9\n");
    EXPECT_EQ(HDTLoadTable(second_file.c_str(), head), nullptr);
    EXPECT_EQ(HDTLoadTable(first_file.c_str(), HDTLoadMOTOR(first_file.c_str(), 0))->size, 3);
}

TEST(DeviceLoader, LongTablesNamesAndLastTableLineWins) {
    TempHome home;
    std::string table = "TABLE big";
    for (int i = 0; i < 100000; ++i) table += " " + std::to_string(i - 50000);
    const std::string long_name(80, 'n');
    home.write_hdt("TABLE big 1 2\n" + table + "\nPSD " + long_name + " big\n");
    hdt::Device *sensor = HDTLoadPSD(home.hdt_path().c_str(), 0);
    ASSERT_NE(sensor, nullptr);
    EXPECT_EQ(std::string(sensor->name), std::string(31, 'n')) << "names are cut at their field";
    ASSERT_NE(hdt::table_of(sensor), nullptr);
    EXPECT_EQ(sensor->table->size, 100000);
    EXPECT_EQ(sensor->table->data[0], -50000);
    EXPECT_EQ(sensor->table->data[99999], 49999);
}

TEST(OperatingSystem, BoundedCopyAndCommandOutput) {
    char field[8];
    OSStrcpy_n(field, "abcdefghijk", 8);
    EXPECT_STREQ(field, "abcdefg");
    OSStrcpy_n(field, "ab", 8);
    EXPECT_STREQ(field, "ab");
    field[0] = 'q';
    OSStrcpy_n(field, "xyz", 0);
    EXPECT_EQ(field[0], 'q') << "a bound below 1 writes nothing";
    OSStrcpy_n(field, "xyz", 1);
    EXPECT_EQ(field[0], '\0') << "a bound of 1 holds the terminator alone";

    TempHome home;
    home.write_listing("one line\nand another\n");
    EXPECT_STREQ(OSExecute((home.bin() + "/usbSearch").c_str()), "one line\nand another\n");
    EXPECT_STREQ(OSExecute((home.bin() + "/missing").c_str()), "");
}

// The operating-system unit and the device loader called from C.
TEST(OutsideUnits, CallableFromC) {
    TempHome home;
    home.write_hdt("SERVO head 20 230 t\nMOTOR left t\nPSD front t\nTABLE t 5 6\n");
    const std::string path = home.hdt_path();
    auto *servo = static_cast<hdt::Servo *>(c_load_servos(path.c_str()));
    ASSERT_NE(servo, nullptr);
    EXPECT_STREQ(servo->name, "head");
    const auto *table = static_cast<hdt::Table *>(c_load_table(path.c_str(), servo));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->size, 2);
    auto *motor = static_cast<hdt::Device *>(c_load_motors(path.c_str()));
    ASSERT_NE(motor, nullptr);
    EXPECT_STREQ(motor->name, "left");
    const auto *motor_table = static_cast<hdt::Table *>(c_load_table(path.c_str(), motor));
    ASSERT_NE(motor_table, nullptr);
    EXPECT_EQ(motor_table->data[1], 6);
    auto *sensor = static_cast<hdt::Device *>(c_load_sensors(path.c_str()));
    ASSERT_NE(sensor, nullptr);
    EXPECT_STREQ(sensor->name, "front");

    char field[4];
    c_copy(field, "abcdef", 4);
    EXPECT_STREQ(field, "abc");
    home.write_listing("listed\n");
    EXPECT_STREQ(c_execute((home.bin() + "/usbSearch").c_str()), "listed\n");
}

}  // namespace
