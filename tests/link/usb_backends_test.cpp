// The HID and USB backends over fakes of the few hidapi and libusb calls they make.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "link/device_listing.h"
#include "link/driver_table.h"
#include "link/hid_driver.h"
#include "link/packet_driver.h"
#include "link/usb_driver.h"

namespace tamro {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

constexpr auto kTimeout = 250ms;
const Bytes kPacket = {0x3F, 1, 2, 3, 4, 5, 6, 7};
const Bytes kReply = {'E', 'M', 'U', 'L', '1', '8', '3', '0'};
const Bytes kOtherReply = {9, 9, 9, 9, 9, 9, 9, 9};

// One scripted answer of a read: bytes, or a time-out (empty), or an error.
struct Answer {
    Bytes bytes;
    bool error = false;
};

class FakeHidApi final : public HidApi {
  public:
    std::vector<HidDeviceInfo> Enumerate(std::uint16_t vendor, std::uint16_t product) override {
        std::vector<HidDeviceInfo> found;
        for (const HidDeviceInfo& device : devices) {
            if ((vendor == 0 || device.vendor == vendor) &&
                (product == 0 || device.product == product)) {
                found.push_back(device);
            }
        }
        return found;
    }
    int OpenPath(const std::string& path) override {
        opened.push_back(path);
        open = openError == 0;
        return openError;
    }
    void Close() override { open = false; }
    int Write(const std::uint8_t* data, std::size_t length) override {
        if (!open) return -1;
        if (writeResult) return *writeResult;
        written.emplace_back(data, data + length);
        return static_cast<int>(length);
    }
    int ReadTimeout(std::uint8_t* data, std::size_t length, int milliseconds) override {
        readLimits.push_back(milliseconds);
        if (!open) return -1;
        if (reads.empty()) return 0;
        const Answer answer = reads.front();
        reads.pop_front();
        if (answer.error) return -1;
        const std::size_t n = std::min(length, answer.bytes.size());
        std::copy_n(answer.bytes.begin(), n, data);
        return static_cast<int>(n);
    }

    std::vector<HidDeviceInfo> devices = {
        {"/dev/hidraw4", 0x04d8, 0x003f, "A1", "", "", 0xFF00, 1},
        {"/dev/hidraw5", 0x04d8, 0x003f, "B2", "", "", 0xFF00, 1}};
    int openError = 0;
    bool open = false;
    std::optional<int> writeResult;
    std::vector<std::string> opened;
    std::vector<Bytes> written;
    std::deque<Answer> reads;
    std::vector<int> readLimits;
};

struct HidBench {
    FakeHidApi* api;
    PacketDriver driver;

    explicit HidBench(HidSetting setting = {0x04d8, 0x003f, ""})
        : HidBench(std::make_unique<FakeHidApi>(), setting) {}
    HidBench(std::unique_ptr<FakeHidApi> fake, HidSetting setting)
        : api(fake.get()), driver(MakeHidPort(std::move(fake), setting), kTimeout) {}

    std::int32_t Write(const Bytes& packet = kPacket) {
        return driver.DataWrite(packet.data(), static_cast<std::int32_t>(packet.size()));
    }
    std::int32_t Read(Bytes& reply) {
        reply.assign(8, 0);
        return driver.DataRead(reply.data(), 8);
    }
};

TEST(HidBackendTest, PacketsGoOutBehindReportIdZeroAndRepliesAreTakenFromAnyReportLayout) {
    struct Case {
        const char* layout;
        Bytes report;
        std::int32_t count;
        Bytes reply;  // the first `count` bytes matter
    };
    Bytes numbered = kReply;
    numbered.insert(numbered.begin(), 0x02);
    Bytes large = kReply;
    large.resize(64, 0xEE);
    const std::vector<Case> cases = {
        {"8-byte report", kReply, 8, kReply},
        {"numbered report: ID first", numbered, 8, kReply},
        {"64-byte report", large, 8, kReply},
        {"short report", {1, 2, 3, 4, 5}, 5, {1, 2, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.layout);
        HidBench bench;
        ASSERT_EQ(bench.driver.Open(), 0);
        EXPECT_EQ(bench.api->opened, std::vector<std::string>{"/dev/hidraw4"});
        ASSERT_EQ(bench.Write(), 8);
        Bytes report = {0};
        report.insert(report.end(), kPacket.begin(), kPacket.end());
        EXPECT_EQ(bench.api->written.back(), report);
        bench.api->reads.push_back({c.report});
        Bytes reply;
        ASSERT_EQ(bench.Read(reply), c.count);
        EXPECT_TRUE(std::equal(c.reply.begin(), c.reply.end(), reply.begin()));
        EXPECT_EQ(bench.api->readLimits.back(), kTimeout.count());
    }
}

TEST(HidBackendTest, AReplyThatCameTooLateIsDroppedBeforeTheNextPacket) {
    HidBench bench;
    ASSERT_EQ(bench.driver.Open(), 0);
    ASSERT_EQ(bench.Write(), 8);
    Bytes reply;
    EXPECT_EQ(bench.Read(reply), 0);  // nothing within the time limit

    // The late reply is there when the next packet goes out; the next reply follows it.
    bench.api->reads = {{kReply}};
    ASSERT_EQ(bench.Write(), 8);
    EXPECT_TRUE(bench.api->reads.empty()) << "the late reply was taken in before the write";
    bench.api->reads = {{kOtherReply}};
    ASSERT_EQ(bench.Read(reply), 8);
    EXPECT_EQ(reply, kOtherReply);

    // In step again: the next exchange does not wait for anything first.
    const std::size_t readsBefore = bench.api->readLimits.size();
    bench.api->reads = {{kReply}};
    ASSERT_EQ(bench.Write(), 8);
    EXPECT_EQ(bench.api->readLimits.size(), readsBefore);
    ASSERT_EQ(bench.Read(reply), 8);
    EXPECT_EQ(reply, kReply);
}

TEST(HidBackendTest, ALostDeviceFailsTheExchangeAndIsOpenedAgainAtTheNextPacket) {
    for (const bool failOnWrite : {true, false}) {
        SCOPED_TRACE(failOnWrite ? "write fails" : "read fails");
        HidBench bench;
        ASSERT_EQ(bench.driver.Open(), 0);
        Bytes reply;
        if (failOnWrite) {
            bench.api->writeResult = -1;
            EXPECT_EQ(bench.Write(), 0);
            bench.api->writeResult.reset();
        } else {
            ASSERT_EQ(bench.Write(), 8);
            bench.api->reads.push_back({{}, true});
            EXPECT_EQ(bench.Read(reply), 0);
        }
        EXPECT_FALSE(bench.api->open);
        EXPECT_EQ(bench.Read(reply), 0) << "no read on a lost device";

        ASSERT_EQ(bench.Write(), 8);
        EXPECT_EQ(bench.api->opened.size(), 2u);
        bench.api->reads.push_back({kReply});
        ASSERT_EQ(bench.Read(reply), 8);
        EXPECT_EQ(reply, kReply);
    }
}

TEST(HidBackendTest, OpenFailuresNameTheDeviceAndTheReason) {
    struct Case {
        const char* name;
        std::string serial;
        int openError;
        OpenProblem problem;
        std::string detail;
    };
    const std::vector<Case> cases = {
        {"first of two", "", 0, OpenProblem::None, ""},
        {"by serial number", "B2", 0, OpenProblem::None, ""},
        {"unknown serial number", "C3", 0, OpenProblem::DeviceMissing,
         "USB HID device 04d8:003f serial C3"},
        {"no access", "", EACCES, OpenProblem::PermissionDenied, "/dev/hidraw4"},
        {"held elsewhere", "", EBUSY, OpenProblem::DeviceBusy, "/dev/hidraw4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto fake = std::make_unique<FakeHidApi>();
        fake->openError = c.openError;
        HidBench bench(std::move(fake), {0x04d8, 0x003f, c.serial});
        EXPECT_EQ(bench.driver.Open(), c.problem == OpenProblem::None ? 0 : -2);
        EXPECT_EQ(bench.driver.LastOpenFailure().problem, c.problem);
        EXPECT_NE(bench.driver.LastOpenFailure().detail.find(c.detail), std::string::npos)
            << bench.driver.LastOpenFailure().detail;
        if (c.serial == "B2") {
            EXPECT_EQ(bench.api->opened.back(), "/dev/hidraw5");
        }
    }
    HidBench absent({0x1234, 0x5678, ""});
    EXPECT_EQ(absent.driver.Open(), -2);
    EXPECT_EQ(absent.driver.LastOpenFailure().problem, OpenProblem::DeviceMissing);
}

class FakeUsbApi final : public UsbApi {
  public:
    struct Call {
        UsbTransferType type;
        std::uint8_t endpoint;
        int length;
        unsigned milliseconds;
    };
    struct Outcome {
        UsbStatus status = UsbStatus::Ok;
        Bytes bytes;           // for IN transfers
        int transferred = -1;  // for OUT transfers: -1 all
    };

    std::vector<UsbDevice> Devices() override { return devices; }
    std::optional<std::string> SerialNumber(const UsbDevice& device) override {
        const auto found = serials.find(device.address);
        if (found == serials.end()) return std::nullopt;
        return found->second;
    }
    UsbStatus OpenAndClaim(const UsbDevice&, std::uint8_t interfaceNumber) override {
        ++opens;
        claimed = interfaceNumber;
        open = openStatus == UsbStatus::Ok;
        return openStatus;
    }
    void Close() override { open = false; }
    UsbStatus Transfer(UsbTransferType type, std::uint8_t endpoint, std::uint8_t* data, int length,
                       int& transferred, unsigned milliseconds) override {
        calls.push_back({type, endpoint, length, milliseconds});
        transferred = 0;
        if (!open) return UsbStatus::NoDevice;
        const bool in = (endpoint & 0x80) != 0;
        std::deque<Outcome>& script = in ? ins : outs;
        if (script.empty()) {
            if (!in) transferred = length;
            return in ? UsbStatus::Timeout : UsbStatus::Ok;
        }
        const Outcome outcome = script.front();
        script.pop_front();
        if (in) {
            transferred = static_cast<int>(std::min<std::size_t>(length, outcome.bytes.size()));
            std::copy_n(outcome.bytes.begin(), transferred, data);
        } else {
            transferred = outcome.transferred < 0 ? length : outcome.transferred;
        }
        return outcome.status;
    }
    UsbStatus ClearHalt(std::uint8_t endpoint) override {
        cleared.push_back(endpoint);
        return UsbStatus::Ok;
    }

    std::vector<UsbDevice> devices;
    std::map<std::uint8_t, std::string> serials;  // by address; others cannot be read
    UsbStatus openStatus = UsbStatus::Ok;
    bool open = false;
    int opens = 0;
    int claimed = -1;
    std::vector<Call> calls;
    std::deque<Outcome> outs;
    std::deque<Outcome> ins;
    std::vector<std::uint8_t> cleared;
};

const UsbInterface kHidInterface = {
    0, 0x03, 0, 0, {{0x81, UsbTransferType::Interrupt, 8}, {0x01, UsbTransferType::Interrupt, 8}}};
const UsbInterface kVendorBulk = {1,
                                  0xFF,
                                  0,
                                  0,
                                  {{0x02, UsbTransferType::Bulk, 64},
                                   {0x82, UsbTransferType::Bulk, 64},
                                   {0x83, UsbTransferType::Interrupt, 16}}};
const UsbInterface kControlOnly = {2, 0xFF, 0, 0, {{0x84, UsbTransferType::Isochronous, 64}}};

TEST(UsbBackendTest, TheRouteComesFromTheSettingOrTheDescriptors) {
    struct Case {
        const char* name;
        std::vector<UsbInterface> interfaces;
        std::uint8_t out;
        std::uint8_t in;
        std::optional<std::uint8_t> interfaceNumber;  // nullopt: no route
        UsbTransferType type;
        std::uint8_t chosenOut;
        std::uint8_t chosenIn;
    };
    const std::vector<Case> cases = {
        {"vendor-class before HID",
         {kHidInterface, kVendorBulk},
         0,
         0,
         1,
         UsbTransferType::Bulk,
         0x02,
         0x82},
        {"interrupt endpoints", {kHidInterface}, 0, 0, 0, UsbTransferType::Interrupt, 0x01, 0x81},
        {"named endpoints",
         {kVendorBulk, kHidInterface},
         0x01,
         0x81,
         0,
         UsbTransferType::Interrupt,
         0x01,
         0x81},
        {"named endpoints that are not there", {kVendorBulk}, 0x05, 0x85, std::nullopt, {}, 0, 0},
        {"no bulk or interrupt endpoints", {kControlOnly}, 0, 0, std::nullopt, {}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UsbDevice device;
        device.interfaces = c.interfaces;
        const auto route = ChooseUsbRoute(device, {0x04d8, 0x000a, c.out, c.in});
        ASSERT_EQ(route.has_value(), c.interfaceNumber.has_value());
        if (!route) continue;
        EXPECT_EQ(route->interfaceNumber, *c.interfaceNumber);
        EXPECT_EQ(route->out.address, c.chosenOut);
        EXPECT_EQ(route->in.address, c.chosenIn);
        EXPECT_EQ(route->out.type, c.type);
    }
}

struct UsbBench {
    FakeUsbApi* api;
    PacketDriver driver;

    explicit UsbBench(std::unique_ptr<FakeUsbApi> fake)
        : api(fake.get()), driver(MakeUsbPort(std::move(fake), {0x04d8, 0x000a, 0, 0}), kTimeout) {}
    static std::unique_ptr<FakeUsbApi> WithDevice() {
        auto fake = std::make_unique<FakeUsbApi>();
        UsbDevice device;
        device.bus = 1;
        device.address = 4;
        device.vendor = 0x04d8;
        device.product = 0x000a;
        device.interfaces = {kHidInterface, kVendorBulk};
        fake->devices = {device};
        return fake;
    }
    std::int32_t Write() { return driver.DataWrite(kPacket.data(), 8); }
    std::int32_t Read(Bytes& reply) {
        reply.assign(8, 0);
        return driver.DataRead(reply.data(), 8);
    }
};

TEST(UsbBackendTest, TransfersUseTheChosenEndpointsAndMapEveryOutcome) {
    UsbBench bench(UsbBench::WithDevice());
    ASSERT_EQ(bench.driver.Open(), 0);
    EXPECT_EQ(bench.api->claimed, 1);
    Bytes reply;

    // A whole packet each way; the IN buffer holds a packet of the endpoint's size.
    Bytes large = kReply;
    large.resize(64, 0xEE);
    bench.api->ins.push_back({UsbStatus::Ok, large});
    ASSERT_EQ(bench.Write(), 8);
    ASSERT_EQ(bench.Read(reply), 8);
    EXPECT_EQ(reply, kReply);
    ASSERT_EQ(bench.api->calls.size(), 2u);
    EXPECT_EQ(bench.api->calls[0].endpoint, 0x02);
    EXPECT_EQ(bench.api->calls[0].type, UsbTransferType::Bulk);
    EXPECT_EQ(bench.api->calls[0].length, 8);
    EXPECT_EQ(bench.api->calls[0].milliseconds, kTimeout.count());
    EXPECT_EQ(bench.api->calls[1].endpoint, 0x82);
    EXPECT_EQ(bench.api->calls[1].length, 64);

    struct Case {
        const char* name;
        FakeUsbApi::Outcome out;
        FakeUsbApi::Outcome in;
        std::int32_t written;
        std::int32_t read;
        bool halted;
    };
    const std::vector<Case> cases = {
        {"short reply", {}, {UsbStatus::Ok, {1, 2, 3}}, 8, 3, false},
        {"time-out with part of the reply", {}, {UsbStatus::Timeout, {1, 2}}, 8, 2, false},
        {"stalled IN endpoint", {}, {UsbStatus::Pipe, {}}, 8, 0, true},
        {"overflow", {}, {UsbStatus::Overflow, {}}, 8, 0, false},
        {"packet partly sent", {UsbStatus::Timeout, {}, 5}, {}, 5, 0, false},
        {"stalled OUT endpoint", {UsbStatus::Pipe, {}, 0}, {}, 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bench.api->cleared.clear();
        bench.api->outs = {c.out};
        bench.api->ins = {c.in};
        EXPECT_EQ(bench.Write(), c.written);
        if (c.written == 8) {
            EXPECT_EQ(bench.Read(reply), c.read);
        }
        EXPECT_EQ(!bench.api->cleared.empty(), c.halted);
        // Whatever came before, a late reply is dropped and the next exchange is whole.
        bench.api->outs.clear();
        bench.api->ins = {
            {UsbStatus::Ok, kOtherReply}, {UsbStatus::Timeout, {}}, {UsbStatus::Ok, kReply}};
        if (c.written == 8 && c.read == 8) bench.api->ins.pop_front();
        ASSERT_EQ(bench.Write(), 8);
        ASSERT_EQ(bench.Read(reply), 8);
        EXPECT_EQ(reply, kReply);
        EXPECT_TRUE(bench.api->ins.empty());
    }
}

TEST(UsbBackendTest, AnUnpluggedDeviceIsOpenedAgainAndOpenFailuresSayWhy) {
    UsbBench bench(UsbBench::WithDevice());
    ASSERT_EQ(bench.driver.Open(), 0);
    bench.api->outs = {{UsbStatus::NoDevice, {}, 0}};
    EXPECT_EQ(bench.Write(), 0);
    bench.api->ins = {{UsbStatus::Ok, kReply}};
    ASSERT_EQ(bench.Write(), 8);
    EXPECT_EQ(bench.api->opens, 2);
    Bytes reply;
    ASSERT_EQ(bench.Read(reply), 8);

    struct Case {
        UsbStatus status;
        OpenProblem problem;
        std::string detail;
    };
    const std::vector<Case> cases = {
        {UsbStatus::Access, OpenProblem::PermissionDenied, "/dev/bus/usb/001/004"},
        {UsbStatus::Busy, OpenProblem::DeviceBusy, "/dev/bus/usb/001/004"},
        {UsbStatus::Other, OpenProblem::Failed, "04d8:000a"},
    };
    for (const Case& c : cases) {
        auto fake = UsbBench::WithDevice();
        fake->openStatus = c.status;
        UsbBench failing(std::move(fake));
        EXPECT_EQ(failing.driver.Open(), -2);
        EXPECT_EQ(failing.driver.LastOpenFailure().problem, c.problem);
        EXPECT_NE(failing.driver.LastOpenFailure().detail.find(c.detail), std::string::npos);
    }
    UsbBench absent(std::make_unique<FakeUsbApi>());
    EXPECT_EQ(absent.driver.Open(), -2);
    EXPECT_EQ(absent.driver.LastOpenFailure().problem, OpenProblem::DeviceMissing);
    EXPECT_EQ(absent.driver.LastOpenFailure().detail, "USB device 04d8:000a");
}

TEST(UsbBackendTest, SettingsNameIdsAndEndpointsInHexadecimal) {
    struct Case {
        const char* setting;
        bool good;
    };
    const Case cases[] = {
        {"hid:04d8:003f", true},
        {"hid:0x04D8:0x003F:SN-12", true},
        {"hid:04d8", false},
        {"hid:04d8:3f:", false},
        {"hid:04d8:xyz", false},
        {"hid:12345:0001", false},
        {"usb:04d8:000a", true},
        {"usb:04d8:000a:01:81", true},
        {"usb:04d8:000a:81:01", false},
        {"usb:04d8:000a:01", false},
        {"usb:04d8", false},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto driver = MakeDriver(c.setting, &error);
        EXPECT_EQ(driver != nullptr, c.good) << c.setting << ": " << error;
    }
    const auto usb = ParseUsbSetting("04d8:000a:01:81", nullptr);
    ASSERT_TRUE(usb);
    EXPECT_EQ(usb->outEndpoint, 0x01);
    EXPECT_EQ(usb->inEndpoint, 0x81);
    const auto hid = ParseHidSetting("0x04D8:0x003F:SN-12", nullptr);
    ASSERT_TRUE(hid);
    EXPECT_EQ(hid->vendor, 0x04d8);
    EXPECT_EQ(hid->product, 0x003f);
    EXPECT_EQ(hid->serial, "SN-12");
}

TEST(DeviceListingTest, SerialPortsAreNamedByTheirStableLinkWhenTheyHaveOne) {
    const fs::path dev = fs::temp_directory_path() / ("tamro-dev-" + std::to_string(getpid()));
    fs::remove_all(dev);
    fs::create_directories(dev / "serial" / "by-id");
    for (const char* name : {"ttyACM1", "ttyACM0", "ttyUSB0", "ttyS0", "console", "hidraw0"}) {
        std::ofstream(dev / name).put('x');
    }
    fs::create_symlink("../../ttyACM1", dev / "serial" / "by-id" / "usb-Maker_Unit_12-if00");

    const auto ports = ListSerialPorts(dev);
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].setting, "serial:" + (dev / "ttyACM0").string());
    EXPECT_EQ(ports[1].setting,
              "serial:" + (dev / "serial" / "by-id" / "usb-Maker_Unit_12-if00").string());
    EXPECT_EQ(ports[1].node, (dev / "ttyACM1").string());
    EXPECT_EQ(ports[1].description, "usb-Maker_Unit_12-if00");
    EXPECT_EQ(ports[2].node, (dev / "ttyUSB0").string());
    EXPECT_TRUE(ports[0].accessible);
    if (geteuid() != 0) {  // root may open anything
        fs::permissions(dev / "ttyUSB0", fs::perms::none);
        EXPECT_FALSE(ListSerialPorts(dev)[2].accessible);
    }
    EXPECT_TRUE(ListSerialPorts(dev / "missing").empty());
    fs::remove_all(dev);
}

TEST(DeviceListingTest, HidAndUsbDevicesThatCouldBeProgrammers) {
    FakeHidApi hid;
    hid.devices = {
        {"/dev/hidraw0", 0x046d, 0xc077, "", "Logitech", "Mouse", 0x01, 0x02},
        {"/dev/hidraw1", 0x0b05, 0x1866, "", "Maker", "Media keys", 0x0C, 0x01},
        {"/dev/hidraw2", 0x04d8, 0x003f, "A1", "Maker", "Unit", 0xFF00, 0x01},
        {"/dev/hidraw2", 0x04d8, 0x003f, "A1", "Maker", "Unit", 0xFF00, 0x02},
        {"/dev/hidraw3", 0x1234, 0x0001, "", "", "", 0xFFA0, 0x01},
    };
    const auto hidDevices = ListHidDevices(hid);
    ASSERT_EQ(hidDevices.size(), 2u);
    EXPECT_EQ(hidDevices[0].setting, "hid:04d8:003f:A1");
    EXPECT_EQ(hidDevices[0].node, "/dev/hidraw2");
    EXPECT_EQ(hidDevices[0].description, "Maker Unit; serial A1");
    EXPECT_FALSE(hidDevices[0].accessible) << "no such node here";
    EXPECT_EQ(hidDevices[1].setting, "hid:1234:0001");
    EXPECT_EQ(hidDevices[1].description, "HID device");

    FakeUsbApi usb;
    auto device = [](std::uint8_t address, std::uint16_t product, std::uint8_t deviceClass,
                     std::vector<UsbInterface> interfaces) {
        UsbDevice made;
        made.bus = 1;
        made.address = address;
        made.vendor = 0x04d8;
        made.product = product;
        made.deviceClass = deviceClass;
        made.interfaces = std::move(interfaces);
        return made;
    };
    const UsbInterface hub = {0, 0x09, 0, 0, {{0x81, UsbTransferType::Interrupt, 2}}};
    const UsbInterface storage = {
        0, 0x08, 6, 0x50, {{0x01, UsbTransferType::Bulk, 512}, {0x82, UsbTransferType::Bulk, 512}}};
    const UsbInterface keyboard = {0, 0x03, 1, 1, {{0x81, UsbTransferType::Interrupt, 8}}};
    const UsbInterface cdcData = {
        1, 0x0A, 0, 0, {{0x02, UsbTransferType::Bulk, 64}, {0x82, UsbTransferType::Bulk, 64}}};
    usb.devices = {device(1, 0x0002, 0x09, {hub}),     device(2, 0x0003, 0, {storage}),
                   device(3, 0x0004, 0, {keyboard}),   device(4, 0x000a, 0, {kVendorBulk}),
                   device(5, 0x000b, 0x02, {cdcData}), device(6, 0x003f, 0, {kHidInterface})};
    // Two units told apart by their serial numbers; one that cannot be opened says so.
    usb.devices[3].serialIndex = usb.devices[4].serialIndex = 3;
    usb.serials[4] = "B7\n";
    const auto usbDevices = ListUsbDevices(usb);
    ASSERT_EQ(usbDevices.size(), 3u);
    EXPECT_EQ(usbDevices[0].setting, "usb:04d8:000a");
    EXPECT_EQ(usbDevices[0].node, "/dev/bus/usb/001/004");
    EXPECT_NE(usbDevices[0].description.find("vendor-specific"), std::string::npos);
    EXPECT_NE(usbDevices[0].description.find("02/82 bulk"), std::string::npos)
        << usbDevices[0].description;
    EXPECT_TRUE(usbDevices[0].description.ends_with("; serial B7?")) << usbDevices[0].description;
    EXPECT_NE(usbDevices[1].description.find("CDC"), std::string::npos);
    EXPECT_TRUE(usbDevices[1].description.ends_with("; serial unreadable"));
    EXPECT_EQ(usbDevices[2].description.find("serial"), std::string::npos);
    EXPECT_NE(usbDevices[2].description.find("HID"), std::string::npos);
    EXPECT_NE(usbDevices[2].description.find("interrupt"), std::string::npos);

    // The text the command-line tool prints: one aligned line per device.
    std::vector<ProgrammerCandidate> all = hidDevices;
    all.insert(all.end(), usbDevices.begin(), usbDevices.end());
    const std::string text = ProgrammerListText(all);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5);
    EXPECT_EQ(text.rfind("hid:04d8:003f:A1  no access  /dev/hidraw2", 0), 0u) << text;
}

}  // namespace
}  // namespace tamro
