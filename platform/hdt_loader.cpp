#include "platform/hdt_loader.h"

#include "config/device_lines.h"

namespace tevrak::hdt {
namespace {

// The newest list of each kind.
std::unique_ptr<DeviceList<Servo>> servos;
std::unique_ptr<DeviceList<Device>> motors;
std::unique_ptr<DeviceList<Device>> sensors;

template <typename Record>
Record *load(const char *path, std::unique_ptr<DeviceList<Record>> (*read)(LineReader &),
             std::unique_ptr<DeviceList<Record>> &slot) {
    LineReader file(path);
    slot = read(file);
    return slot->head();
}

}  // namespace
}  // namespace tevrak::hdt

using namespace tevrak::hdt;

Servo *HDTLoadSERVO(const char *path, int) { return load(path, read_servos, servos); }

Device *HDTLoadMOTOR(const char *path, int) { return load(path, read_motors, motors); }

Device *HDTLoadPSD(const char *path, int) { return load(path, read_sensors, sensors); }
