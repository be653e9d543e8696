// The hidapi bus, the one path to a real instrument, against a stand-in for the few hidapi
// calls it makes: this binary defines them itself, so no HID device is needed.

#include <gtest/gtest.h>
#include <hidapi.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "link/hid_bus.h"
#include "link/link.h"
#include "link/queries.h"

// ---- the stand-in for hidapi ------------------------------------------------------------

struct hid_device_ {
    std::string path;
};

namespace {

struct FakeInterface {
    std::string path;
    const wchar_t* listedProduct = nullptr;  // what the listing tells (may be NULL)
    std::wstring product;                    // what the opened device tells
    int openErrno = 0;                       // not 0: hid_open_path fails with it
};

struct FakeHid {
    std::vector<FakeInterface> interfaces;
    std::deque<std::vector<unsigned char>> replies;  // one is released by each write
    std::deque<std::vector<unsigned char>> waiting;  // released, not read yet
    std::vector<std::vector<unsigned char>> written;
    std::vector<int> readTimeouts;
    int failWrites = 0;    // the next n writes return -1
    int failReads = 0;     // the next n reads return -1
    int timeOutReads = 0;  // the next n reads return 0
    const wchar_t* errorText = L"";
    int open = 0;
    int initialised = 0;
    std::vector<hid_device_info*> lists;
};

FakeHid fake;

}  // namespace

extern "C" {

int HID_API_EXPORT_CALL hid_init(void) {
    ++fake.initialised;
    return 0;
}

int HID_API_EXPORT_CALL hid_exit(void) {
    --fake.initialised;
    return 0;
}

struct hid_device_info* HID_API_EXPORT_CALL hid_enumerate(unsigned short, unsigned short) {
    hid_device_info* first = nullptr;
    hid_device_info** next = &first;
    for (const FakeInterface& i : fake.interfaces) {
        auto* info = new hid_device_info{};
        info->path = strdup(i.path.c_str());
        info->product_string = const_cast<wchar_t*>(i.listedProduct);
        *next = info;
        next = &info->next;
    }
    return first;
}

void HID_API_EXPORT_CALL hid_free_enumeration(struct hid_device_info* devs) {
    while (devs) {
        hid_device_info* next = devs->next;
        free(devs->path);
        delete devs;
        devs = next;
    }
}

hid_device* HID_API_EXPORT_CALL hid_open_path(const char* path) {
    for (const FakeInterface& i : fake.interfaces) {
        if (i.path != path) continue;
        if (i.openErrno) {
            errno = i.openErrno;
            return nullptr;
        }
        ++fake.open;
        return new hid_device_{i.path};
    }
    errno = ENOENT;
    return nullptr;
}

void HID_API_EXPORT_CALL hid_close(hid_device* dev) {
    --fake.open;
    delete dev;
}

int HID_API_EXPORT_CALL hid_get_product_string(hid_device* dev, wchar_t* string, size_t maxlen) {
    for (const FakeInterface& i : fake.interfaces) {
        if (i.path != dev->path) continue;
        if (i.product.empty()) return -1;
        std::wcsncpy(string, i.product.c_str(), maxlen);
        return 0;
    }
    return -1;
}

int HID_API_EXPORT_CALL hid_write(hid_device*, const unsigned char* data, size_t length) {
    const bool wentThrough = fake.failWrites == 0 || std::wcscmp(fake.errorText, L"Success") == 0;
    if (wentThrough) fake.written.emplace_back(data, data + length);
    if (wentThrough && !fake.replies.empty()) {
        fake.waiting.push_back(fake.replies.front());
        fake.replies.pop_front();
    }
    if (fake.failWrites > 0) {
        --fake.failWrites;
        return -1;
    }
    return static_cast<int>(length);
}

int HID_API_EXPORT_CALL hid_read_timeout(hid_device*, unsigned char* data, size_t length,
                                         int milliseconds) {
    fake.readTimeouts.push_back(milliseconds);
    // The faults strike reads that wait for a reply, not a look for reports already waiting.
    if (milliseconds > 0 && fake.failReads > 0) {
        --fake.failReads;
        return -1;
    }
    if (milliseconds > 0 && fake.timeOutReads > 0) {
        --fake.timeOutReads;
        fake.waiting.clear();
        return 0;
    }
    if (fake.waiting.empty()) return 0;
    std::vector<unsigned char> reply = fake.waiting.front();
    fake.waiting.pop_front();
    std::size_t n = std::min(length, reply.size());
    std::memcpy(data, reply.data(), n);
    return static_cast<int>(n);
}

const wchar_t* HID_API_EXPORT_CALL hid_error(hid_device*) {
    return fake.errorText;
}

}  // extern "C"

namespace zv318 {
namespace {

// A reply as the device hands it to hidapi's reader: 64 bytes, no report ID in front.
std::vector<unsigned char> DeviceReply(unsigned char status, const std::string& text) {
    std::vector<unsigned char> r(64, 0);
    r[2] = status;  // input byte 3 once the report ID is put back in front
    for (std::size_t i = 0; i < text.size(); ++i) r[4 + i] = static_cast<unsigned char>(text[i]);
    return r;
}

class hidBus : public ::testing::Test {
protected:
    void SetUp() override {
        fake = FakeHid{};
        fake.interfaces = {
            {"/dev/hidraw0", L"Keyboard", L"Keyboard", 0},
            {"/dev/hidraw1", nullptr, L"", 0},               // no product string at all
            {"/dev/hidraw2", L"ZV-318", L"ZV-318", EACCES},  // no udev rule yet
            {"/dev/hidraw3", L"ZV-318", L"ZV-318", 0},
            {"/dev/hidraw3", L"ZV-318", L"ZV-318", 0},  // listed twice
        };
    }
    HidBus bus;
    Link link{bus};
};

TEST_F(hidBus, ListingOpeningAndTheFirstInstrumentThatOpens) {
    std::vector<InterfaceInfo> list = bus.enumerate();
    ASSERT_EQ(list.size(), 4u);  // the second listing of hidraw3 is dropped
    EXPECT_EQ(list[1].product, "");
    EXPECT_EQ(list[2].product, "ZV-318");
    EXPECT_EQ(bus.open("/dev/hidraw2").error, OpenError::PermissionDenied);
    EXPECT_EQ(bus.open("/dev/none").error, OpenError::NotFound);

    ASSERT_TRUE(link.FindInstrument());
    EXPECT_TRUE(link.PermissionDenied());
    EXPECT_EQ(link.ProductName(), "ZV-318");
    EXPECT_EQ(fake.open, 1);  // the keyboard and the nameless interface were closed again

    // Without the permission problem the hint is gone.
    fake.interfaces[2].openErrno = 0;
    fake.interfaces[2].product = L"Mouse";
    ASSERT_TRUE(link.FindInstrument());
    EXPECT_FALSE(link.PermissionDenied());
    EXPECT_EQ(fake.open, 1);
}

// Whether the person may open the node decides "no access", whatever errno hidapi leaves
// behind (its own calls may have replaced the open's): judged as the person who runs the
// program, so the rows that need another person than root run in a child that became nobody.
TEST_F(hidBus, APersonWhoMayNotOpenTheNodeIsToldNoAccess) {
    std::string pattern = (std::filesystem::temp_directory_path() / "zv318-hid-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const std::filesystem::path folder = pattern;
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    const bool asRoot = ::geteuid() == 0;
    const struct {
        const char* node;
        mode_t mode;  // 0: no such node
        int hidapiErrno;
        bool asNobody;
        OpenError error;
    } cases[] = {
        {"closed", 0600, EINVAL, true, OpenError::PermissionDenied},
        {"read-only", 0644, EIO, true, OpenError::PermissionDenied},
        {"open", 0666, EINVAL, true, OpenError::Other},
        {"closed", 0600, EINVAL, false, asRoot ? OpenError::Other : OpenError::PermissionDenied},
        {"closed", 0600, EACCES, false, OpenError::PermissionDenied},
        {"closed", 0600, EPERM, true, OpenError::PermissionDenied},
        {"gone", 0, EINVAL, true, OpenError::NotFound},
        {"gone", 0, ENOENT, false, OpenError::NotFound},
    };
    for (const auto& c : cases) {
        const std::string what = std::string(c.node) + (c.asNobody ? " as nobody" : "") +
                                 ", hidapi's errno " + std::to_string(c.hidapiErrno);
        if (c.asNobody && !asRoot) continue;  // another person needs root to become
        const std::filesystem::path node = folder / c.node;
        std::filesystem::remove(node);
        if (c.mode != 0) {
            std::ofstream(node).put('\0');
            ASSERT_EQ(::chmod(node.c_str(), c.mode), 0);
        }
        fake.interfaces = {{node.string(), L"ZV-318", L"ZV-318", c.hidapiErrno}};
        if (!c.asNobody) {
            EXPECT_EQ(bus.open(node.string()).error, c.error) << what;
            continue;
        }
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(100);
            ::_exit(static_cast<int>(bus.open(node.string()).error));
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << what;
        EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(c.error)) << what;
    }
    std::filesystem::remove_all(folder);
}

TEST_F(hidBus, ReportsGoOutWhole65BytesAndRepliesGetTheirReportIdBack) {
    ASSERT_TRUE(link.FindInstrument());
    fake.replies.push_back(DeviceReply(1, "?NS12345678\r"));
    EXPECT_EQ(GetSerial(link), "12345678");
    ASSERT_EQ(fake.written.size(), 1u);
    const std::vector<unsigned char>& out = fake.written[0];
    ASSERT_EQ(out.size(), 65u);
    const std::string command = "*?NS\r";
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 3);
    EXPECT_EQ(std::string(out.begin() + 3, out.begin() + 3 + command.size()), command);
    EXPECT_EQ(out[3 + command.size()], 0);
    for (int ms : fake.readTimeouts) EXPECT_GE(ms, 0) << "a read without time-out";

    // A status reply: byte 3 after the report ID is put back.
    fake.replies.push_back(DeviceReply(2, ""));
    EXPECT_EQ(link.SendCommand("*EC02"), 2);
}

TEST_F(hidBus, EveryFailureClosesTheHandleUntilTheNextSearch) {
    struct Case {
        const char* what;
        int failWrites, failReads, timeOutReads;
    };
    for (Case c : {Case{"write -1 as on unplug", 1, 0, 0}, Case{"read -1 as on unplug", 0, 1, 0},
                   Case{"read times out", 0, 0, 1}}) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(link.FindInstrument());
        fake.failWrites = c.failWrites;
        fake.failReads = c.failReads;
        fake.timeOutReads = c.timeOutReads;
        fake.errorText = L"No such device";
        fake.replies.push_back(DeviceReply(1, "?NS12345678\r"));
        EXPECT_EQ(GetSerial(link), "");
        EXPECT_FALSE(link.IsOpen());
        EXPECT_EQ(fake.open, 0);
        fake.replies.clear();
        fake.waiting.clear();
    }
}

#ifdef ZV318_HID_WRITE_SUCCESS_QUIRK
TEST_F(hidBus, AWriteReportedFailedWithTheErrorTextSuccessWentThrough) {
    ASSERT_TRUE(link.FindInstrument());
    fake.failWrites = 1;
    fake.errorText = L"Success";
    fake.replies.push_back(DeviceReply(1, "?NS12345678\r"));
    EXPECT_EQ(GetSerial(link), "12345678");
    EXPECT_TRUE(link.IsOpen());
}
#endif

}  // namespace
}  // namespace zv318
