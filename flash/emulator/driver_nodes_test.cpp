#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "flash/emulator/emulator_test_support.h"
#include "flash/pal/linux/sys_calls.h"

namespace emu_test {
namespace {

constexpr const char* kModprobeSas = "/sbin/modprobe mptctl_sas 2>/dev/null";
constexpr const char* kModprobeMptctl = "/sbin/modprobe mptctl 2>/dev/null";
constexpr const char* kMknod = "/bin/mknod /dev/mptctl c 10 220";

// The program's way to a control device: each node, a module load and a retry, and for
// /dev/mptctl a mknod and a third try. Answers the trace of the calls.
std::string WalkNodeFallback(const TempLab& lab) {
    std::string trace = (lab.scratch() / "trace").string();
    std::remove(trace.c_str());
    ScopedEnv tracing("TESSEL_EMU_TRACE", trace.c_str());
    const SysCalls& sys = PlatformSysCalls();
    int fd = sys.open("/dev/mptctl_sas", O_RDWR);
    if (fd < 0) {
        sys.system(kModprobeSas);
        fd = sys.open("/dev/mptctl_sas", O_RDWR);
    }
    if (fd < 0) fd = sys.open("/dev/mptctl", O_RDWR);
    if (fd < 0) {
        sys.system(kModprobeMptctl);
        fd = sys.open("/dev/mptctl", O_RDWR);
    }
    if (fd < 0) {
        sys.system(kMknod);
        fd = sys.open("/dev/mptctl", O_RDWR);
    }
    if (fd >= 0) sys.close(fd);
    std::ifstream in(trace);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

const std::string kSasFails =
    "open /dev/mptctl_sas -> -1 ENOENT\n"
    "system /sbin/modprobe mptctl_sas 2>/dev/null -> 256\n"
    "open /dev/mptctl_sas -> -1 ENOENT\n";

struct FallbackCase {
    const char* name;
    const char* machine;  // null: no machine.conf
    bool withController;
    std::string trace;
};

TEST(DriverNodes, EveryBranchOfTheNodeFallbackCanBeReached) {
    const FallbackCase cases[] = {
        {"sas loaded", "driver = mptctl_sas\n", true,
         "open /dev/mptctl_sas -> 1000\nclose 1000 -> 0\n"},
        {"sas loaded by modprobe", "driver = mptctl_sas\ndriver_loaded = no\n", true,
         "open /dev/mptctl_sas -> -1 ENOENT\n"
         "system /sbin/modprobe mptctl_sas 2>/dev/null -> 0\n"
         "open /dev/mptctl_sas -> 1000\nclose 1000 -> 0\n"},
        {"mptctl loaded", "driver = mptctl\n", true,
         kSasFails + "open /dev/mptctl -> 1000\nclose 1000 -> 0\n"},
        {"mptctl loaded by modprobe", "driver = mptctl\ndriver_loaded = no\n", true,
         kSasFails + "open /dev/mptctl -> -1 ENOENT\n"
                     "system /sbin/modprobe mptctl 2>/dev/null -> 0\n"
                     "open /dev/mptctl -> 1000\nclose 1000 -> 0\n"},
        {"mptctl without node", "driver = mptctl\ndriver_node = no\n", true,
         kSasFails + "open /dev/mptctl -> -1 ENOENT\n"
                     "system /sbin/modprobe mptctl 2>/dev/null -> 0\n"
                     "open /dev/mptctl -> -1 ENOENT\n"
                     "system /bin/mknod /dev/mptctl c 10 220 -> 0\n"
                     "open /dev/mptctl -> 1000\nclose 1000 -> 0\n"},
        {"module load fails", "driver = mptctl\ndriver_loaded = no\nfail_module_load = yes\n", true,
         kSasFails + "open /dev/mptctl -> -1 ENOENT\n"
                     "system /sbin/modprobe mptctl 2>/dev/null -> 256\n"
                     "open /dev/mptctl -> -1 ENOENT\n"
                     "system /bin/mknod /dev/mptctl c 10 220 -> 0\n"
                     "open /dev/mptctl -> -1 ENODEV\n"},
        {"sas without node", "driver = mptctl_sas\ndriver_node = no\n", true,
         "open /dev/mptctl_sas -> -1 ENOENT\n"
         "system /sbin/modprobe mptctl_sas 2>/dev/null -> 0\n"
         "open /dev/mptctl_sas -> -1 ENOENT\n"
         "open /dev/mptctl -> -1 ENOENT\n"
         "system /sbin/modprobe mptctl 2>/dev/null -> 256\n"
         "open /dev/mptctl -> -1 ENOENT\n"
         "system /bin/mknod /dev/mptctl c 10 220 -> 0\n"
         "open /dev/mptctl -> -1 ENODEV\n"},
        {"empty lab", nullptr, false,
         kSasFails + "open /dev/mptctl -> -1 ENOENT\n"
                     "system /sbin/modprobe mptctl 2>/dev/null -> 256\n"
                     "open /dev/mptctl -> -1 ENOENT\n"
                     "system /bin/mknod /dev/mptctl c 10 220 -> 0\n"
                     "open /dev/mptctl -> -1 ENODEV\n"},
    };
    for (const FallbackCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempLab lab;
        if (c.machine) lab.Write("machine.conf", c.machine);
        if (c.withController) lab.Write("ioc0/controller.conf", "");
        EXPECT_EQ(WalkNodeFallback(lab), c.trace);
    }
}

TEST(DriverNodes, LoadedModulesAndMadeNodesStayForTheNextRun) {
    TempLab lab;
    lab.Write("machine.conf",
              "# hand-written\ndriver = mptctl\ndriver_loaded = no\n"
              "driver_node = no\n");
    lab.Write("ioc0/controller.conf", "");
    WalkNodeFallback(lab);
    std::string machine = lab.Read("machine.conf");
    EXPECT_NE(machine.find("# hand-written\n"), std::string::npos) << machine;
    EXPECT_NE(machine.find("driver_loaded = yes\n"), std::string::npos) << machine;
    EXPECT_NE(machine.find("mptctl_node_made = yes\n"), std::string::npos) << machine;

    lab.Reload();
    EXPECT_EQ(WalkNodeFallback(lab), kSasFails + "open /dev/mptctl -> 1000\nclose 1000 -> 0\n");
    // A second mknod finds the node there, as the real command would.
    testing::internal::CaptureStderr();
    EXPECT_EQ(PlatformSysCalls().system(kMknod), 256);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("File exists"), std::string::npos);
}

TEST(DriverNodes, AMknodInALabWithoutDriverKeepsItWithoutDriver) {
    TempLab lab;
    WalkNodeFallback(lab);
    lab.Reload();
    const SysCalls& sys = PlatformSysCalls();
    EXPECT_EQ(sys.system(kModprobeSas), 256);
    EXPECT_EQ(sys.open("/dev/mptctl_sas", O_RDWR), -1);
    EXPECT_EQ(sys.open("/dev/mptctl", O_RDWR), -1);
    EXPECT_EQ(errno, ENODEV);
}

TEST(DriverNodes, ProcEntriesExistForEveryControllerWhileTheDriverIsLoaded) {
    TempLab lab;
    for (int ioc : {0, 3, 17, 255}) lab.Write("ioc" + std::to_string(ioc) + "/controller.conf", "");
    lab.Write("machine.conf", "driver_loaded = no\n");
    const SysCalls& sys = PlatformSysCalls();
    auto probe = [&] {
        std::set<int> found;
        for (int ioc = 0; ioc <= 255; ++ioc) {
            std::string path = "/proc/mpt/ioc" + std::to_string(ioc);
            int fd = sys.open(path.c_str(), O_RDONLY);
            if (fd >= 0) {
                found.insert(ioc);
                EXPECT_EQ(sys.close(fd), 0);
            } else {
                EXPECT_EQ(errno, ENOENT);
            }
        }
        return found;
    };
    EXPECT_EQ(probe(), std::set<int>{});
    EXPECT_EQ(sys.system(kModprobeSas), 0);
    EXPECT_EQ(probe(), (std::set<int>{0, 3, 17, 255}));
    // Only the kernel's own spelling of the number names an entry; the entry is a directory.
    for (const char* path :
         {"/proc/mpt/ioc03", "/proc/mpt/ioc", "/proc/mpt/ioc3x", "/proc/mpt/ioc256"}) {
        EXPECT_EQ(sys.open(path, O_RDONLY), -1) << path;
    }
    EXPECT_EQ(sys.open("/proc/mpt/ioc3", O_RDWR), -1);
    EXPECT_EQ(errno, EISDIR);
}

TEST(DriverNodes, DescriptorsAreTrackedAndOnlyControlNodesTakeIoctls) {
    TempLab lab;
    lab.Write("ioc0/controller.conf", "");
    const SysCalls& sys = PlatformSysCalls();
    int first = sys.open("/dev/mptctl_sas", O_RDWR);
    int second = sys.open("/proc/mpt/ioc0", O_RDONLY);
    EXPECT_EQ(first, 1000);
    EXPECT_EQ(second, 1001);
    Bytes info = IocInfoStruct(0);
    EXPECT_EQ(sys.ioctl(second, 0xC05C6D11, info.data()), -1);
    EXPECT_EQ(errno, ENOTTY);
    EXPECT_EQ(sys.close(first), 0);
    EXPECT_EQ(sys.close(first), -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(sys.ioctl(first, 0xC05C6D11, info.data()), -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(sys.open("/dev/mptctl_sas", O_RDWR), 1000);
    EXPECT_EQ(sys.close(7), -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(sys.open("/etc/passwd", O_RDONLY), -1);
    EXPECT_EQ(errno, ENOENT);
}

// Runs `command` through the emulator with standard output on `fd`.
int SystemWithStdout(int fd, const char* command) {
    std::fflush(stdout);
    int saved = ::dup(STDOUT_FILENO);
    ::dup2(fd, STDOUT_FILENO);
    int status = PlatformSysCalls().system(command);
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    return status;
}

TEST(DriverNodes, OtherCommandsRunOnlyWhenStandardOutputIsATerminal) {
    TempLab lab;
    std::filesystem::path marker = lab.scratch() / "ran";
    std::string command = "touch " + marker.string();

    int file = ::open((lab.scratch() / "stdout").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(file, 0);
    EXPECT_EQ(SystemWithStdout(file, command.c_str()), 0);
    ::close(file);
    EXPECT_FALSE(std::filesystem::exists(marker));

    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        GTEST_SKIP() << "no pseudo-terminal on this machine";
    }
    int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    EXPECT_EQ(SystemWithStdout(terminal, command.c_str()), 0);
    EXPECT_TRUE(std::filesystem::exists(marker));
    EXPECT_NE(SystemWithStdout(terminal, "exit 3"), 0);
    ::close(terminal);
    ::close(master);
}

}  // namespace
}  // namespace emu_test
