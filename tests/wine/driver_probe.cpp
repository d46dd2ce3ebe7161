// Proves the Wine pieces end to end in the running prefix:
//   - the stand-in driver image is installed as a kernel driver service, loads
//     through StartServiceA, its device opens as \\.\zelbase and echoes a byte,
//     and it unloads through ControlService(STOP) taking the device with it;
//     this is done once for each ImagePath form a service may be given;
//   - the stand-in snetcfg.exe, started hidden with CreateProcessA and a
//     command line that begins with a blank, records that command line and its
//     working directory exactly and exits with the code it was told.
//
//   driver_probe.exe <zelbase.sys> <snetcfg.exe>
//
// Prints one line per check that failed (file:line and what was seen), then a
// summary line; exits 0 only if every check passed.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// ---- reporting --------------------------------------------------------------

int g_failures = 0;
// Set while a case runs whose failure is a known platform gap.
bool g_failure_expected = false;

// Counts and prints a failed check with the caller's line and the value seen.
bool check_at(bool ok, int line, const char* what, const char* seen_label, DWORD seen)
{
    if (!ok) {
        ++g_failures;
        std::printf("driver_probe.cpp:%d: %s: %s (%s %lu)\n", line,
                    g_failure_expected ? "failed as expected" : "failed", what, seen_label, seen);
    }
    return ok;
}

// Evaluates COND, then reads the last error; on failure prints both with the caller's line.
#define CHECK(cond)                                                      \
    ([&]() -> bool {                                                     \
        bool passed_ = static_cast<bool>(cond);                          \
        DWORD error_ = GetLastError();                                   \
        return check_at(passed_, __LINE__, #cond, "last error", error_); \
    }())

// ---- handle owners ----------------------------------------------------------

template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;
    UniqueHandle() = default;
    explicit UniqueHandle(Type h) : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }
    Type get() const { return h_; }
    explicit operator bool() const { return h_ != Traits::empty(); }
    void reset(Type h = Traits::empty())
    {
        if (h_ != Traits::empty()) {
            DWORD saved = GetLastError();
            Traits::close(h_);
            SetLastError(saved);
        }
        h_ = h;
    }

private:
    Type h_ = Traits::empty();
};

struct FileTraits {
    using Type = HANDLE;
    static Type empty() { return INVALID_HANDLE_VALUE; }
    static void close(Type h) { CloseHandle(h); }
};
struct KernelObjectTraits {
    using Type = HANDLE;
    static Type empty() { return nullptr; }
    static void close(Type h) { CloseHandle(h); }
};
struct ServiceTraits {
    using Type = SC_HANDLE;
    static Type empty() { return nullptr; }
    static void close(Type h) { CloseServiceHandle(h); }
};

using UniqueFile = UniqueHandle<FileTraits>;
using UniqueKernelObject = UniqueHandle<KernelObjectTraits>;
using UniqueService = UniqueHandle<ServiceTraits>;

// ---- bounded text -----------------------------------------------------------

// Formats at OFFSET of a fixed buffer; false when the text did not fit (the
// buffer then holds a terminated prefix and OFFSET is unchanged).
bool vformat_at(char* out, size_t size, size_t* offset, const char* format, va_list args)
{
    if (*offset >= size)
        return false;
    int n = std::vsnprintf(out + *offset, size - *offset, format, args);
    if (n < 0 || static_cast<size_t>(n) >= size - *offset)
        return false;
    *offset += static_cast<size_t>(n);
    return true;
}

// Replaces the buffer's text.
template <size_t N>
bool format_to(char (&out)[N], const char* format, ...)
{
    size_t offset = 0;
    va_list args;
    va_start(args, format);
    bool fitted = vformat_at(out, N, &offset, format, args);
    va_end(args);
    return fitted;
}

// Appends to the buffer's text, which ends at OFFSET.
template <size_t N>
bool append_to(char (&out)[N], size_t* offset, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    bool fitted = vformat_at(out, N, offset, format, args);
    va_end(args);
    return fitted;
}

// ---- the driver -------------------------------------------------------------

const char kServiceName[] = "zelbase";
const char kDevicePath[] = "\\\\.\\zelbase";

// Removes a service of that name left by an earlier run, stopping it first.
void remove_leftover_service(SC_HANDLE scm)
{
    UniqueService old(OpenServiceA(scm, kServiceName, SERVICE_ALL_ACCESS));
    if (!old)
        return;
    SERVICE_STATUS status;
    ControlService(old.get(), SERVICE_CONTROL_STOP, &status);
    DeleteService(old.get());
}

// Polls until the service reports WANTED or about five seconds pass.
DWORD wait_for_state(SC_HANDLE service, DWORD wanted)
{
    SERVICE_STATUS status = {};
    for (int i = 0; i < 100; ++i) {
        if (!QueryServiceStatus(service, &status))
            return 0;
        if (status.dwCurrentState == wanted)
            break;
        Sleep(50);
    }
    return status.dwCurrentState;
}

// Opens the device, writes one byte and reads it back through the driver.
bool exercise_device()
{
    SetLastError(0xdeadbeef);
    UniqueFile device(CreateFileA(kDevicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!CHECK(device))
        return false;

    const unsigned char sent = 0x5a;
    DWORD written = 0xdeadbeef;
    bool ok = CHECK(WriteFile(device.get(), &sent, 1, &written, nullptr)) && CHECK(written == 1);

    // Filler after the byte the driver may fill shows a read that runs long.
    unsigned char back[4] = {0xcc, 0xcc, 0xcc, 0xcc};
    DWORD read = 0xdeadbeef;
    ok = CHECK(ReadFile(device.get(), back, 1, &read, nullptr)) && ok;
    ok = CHECK(read == 1) && ok;
    ok = CHECK(back[0] == sent) && ok;
    ok = CHECK(back[1] == 0xcc && back[2] == 0xcc && back[3] == 0xcc) && ok;
    return ok;
}

// One full life of the driver service with the given ImagePath.
bool driver_cycle(SC_HANDLE scm, const char* image_path)
{
    remove_leftover_service(scm);

    SetLastError(0xdeadbeef);
    UniqueService service(CreateServiceA(scm, kServiceName, kServiceName, SERVICE_ALL_ACCESS,
                                         SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                         image_path, nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!CHECK(service))
        return false;

    bool ok = true;
    SetLastError(0xdeadbeef);
    bool started = CHECK(StartServiceA(service.get(), 0, nullptr));
    ok = started;
    if (started) {
        ok = CHECK(wait_for_state(service.get(), SERVICE_RUNNING) == SERVICE_RUNNING) && ok;
        ok = exercise_device() && ok;

        SERVICE_STATUS status = {};
        SetLastError(0xdeadbeef);
        ok = CHECK(ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) && ok;
        ok = CHECK(wait_for_state(service.get(), SERVICE_STOPPED) == SERVICE_STOPPED) && ok;

        // Unload must have taken the symbolic link away.
        SetLastError(0xdeadbeef);
        UniqueFile gone(CreateFileA(kDevicePath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        DWORD error = GetLastError();
        ok = CHECK(!gone) && ok;
        ok = CHECK(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) && ok;
    }

    SetLastError(0xdeadbeef);
    ok = CHECK(DeleteService(service.get())) && ok;
    service.reset();
    SetLastError(0xdeadbeef);
    UniqueService after(OpenServiceA(scm, kServiceName, SERVICE_QUERY_STATUS));
    DWORD error = GetLastError();
    ok = CHECK(!after) && ok;
    ok = CHECK(error == ERROR_SERVICE_DOES_NOT_EXIST) && ok;
    return ok;
}

struct ImagePathForm {
    const char* label;
    const char* format;  // %s is the system directory, e.g. C:\windows\system32
    bool todo_wine;      // known to fail on Wine; passing there is reported as a change
};

// The forms an installer may write. Windows resolves a relative ImagePath
// against the Windows directory; Wine 8 does not, and StartServiceA fails with
// ERROR_DLL_INIT_FAILED (1114) because the driver image is not found.
const ImagePathForm kImagePathForms[] = {
    {"full path", "%s\\drivers\\zelbase.sys", false},
    {"\\??\\ full path", "\\??\\%s\\drivers\\zelbase.sys", false},
    {"\\SystemRoot\\", "\\SystemRoot\\System32\\drivers\\zelbase.sys", false},
    {"System32-relative", "System32\\drivers\\zelbase.sys", true},
};

bool running_on_wine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

bool probe_driver(const char* driver_image, const char* system_dir)
{
    char installed[MAX_PATH];
    if (!CHECK(format_to(installed, "%s\\drivers\\zelbase.sys", system_dir)))
        return false;
    if (!CHECK(CopyFileA(driver_image, installed, FALSE)))
        return false;

    bool ok = true;
    UniqueService scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (CHECK(scm)) {
        const bool wine = running_on_wine();
        for (const ImagePathForm& form : kImagePathForms) {
            char image_path[MAX_PATH];
            if (!CHECK(format_to(image_path, form.format, system_dir))) {
                ok = false;
                continue;
            }
            const bool expect_failure = wine && form.todo_wine;
            const int failures_before = g_failures;
            g_failure_expected = expect_failure;
            const bool cycled = driver_cycle(scm.get(), image_path);
            g_failure_expected = false;
            const char* outcome = cycled ? "loaded, device echoed, unloaded" : "FAILED";
            if (expect_failure) {
                // The failures of a known gap are expected; its passing is news.
                g_failures = failures_before;
                outcome = cycled ? "passes now: drop its todo_wine mark" : "fails (known Wine gap)";
                if (cycled)
                    ++g_failures;
            }
            std::printf("  driver, ImagePath %-20s %s\n", form.label, outcome);
            ok = (cycled != expect_failure) && ok;
        }
    } else {
        ok = false;
    }
    DeleteFileA(installed);
    return ok;
}

// ---- the network-configuration tool ----------------------------------------

// Runs TOOL with COMMAND_LINE in WORK_DIR, hidden, and returns its exit code.
bool run_hidden(const char* tool, const char* command_line, const char* work_dir, DWORD* exit_code)
{
    char mutable_line[512];  // CreateProcessA may write to its command line
    if (!CHECK(format_to(mutable_line, "%s", command_line)))
        return false;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    SetLastError(0xdeadbeef);
    if (!CHECK(CreateProcessA(tool, mutable_line, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, work_dir,
                              &startup, &info)))
        return false;
    UniqueKernelObject process(info.hProcess);
    UniqueKernelObject thread(info.hThread);
    bool ok = CHECK(WaitForSingleObject(process.get(), 30000) == WAIT_OBJECT_0);
    *exit_code = 0xdeadbeef;
    ok = CHECK(GetExitCodeProcess(process.get(), exit_code)) && ok;
    return ok;
}

// Reads at most N-1 bytes of PATH into OUT, terminated.
template <size_t N>
bool read_text_file(const char* path, char (&out)[N])
{
    UniqueFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr));
    if (!CHECK(file))
        return false;
    DWORD got = 0;
    if (!CHECK(ReadFile(file.get(), out, N - 1, &got, nullptr)))
        return false;
    out[got] = '\0';
    return true;
}

struct ToolRun {
    const char* command_line;  // passed as received by CreateProcessA
    const char* exit_env;      // SNETCFG_EXIT, or null to leave it unset
    const char* sleep_env;     // SNETCFG_SLEEP_MS, or null to leave it unset
    DWORD expected_exit;
    DWORD min_run_ms;
};

// A blank-led line as an installer passes it (no program name), one with the
// program name first, different exit codes, and one run told to take its time.
const ToolRun kToolRuns[] = {
    {" -l C:\\data\\zelbase.inf -c s -i QD_ZelBase", nullptr, nullptr, 0, 0},
    {" -u QD_ZelBase", "7", nullptr, 7, 0},
    {"snetcfg.exe -u QD_ZelBase", "0x10", "400", 16, 400},
};

bool probe_netcfg(const char* tool)
{
    char temp[MAX_PATH];
    char work_dir[MAX_PATH];
    char log_path[MAX_PATH];
    DWORD got = GetTempPathA(sizeof(temp), temp);
    if (!CHECK(got != 0 && got < sizeof(temp)))
        return false;
    if (!CHECK(format_to(work_dir, "%sdriver-probe-%lu", temp, GetCurrentProcessId())) ||
        !CHECK(format_to(log_path, "%s\\requests.log", work_dir)))
        return false;
    CreateDirectoryA(work_dir, nullptr);
    DeleteFileA(log_path);
    SetEnvironmentVariableA("SNETCFG_LOG", log_path);

    bool ok = true;
    char expected[2048] = "";
    size_t used = 0;
    for (const ToolRun& run : kToolRuns) {
        SetEnvironmentVariableA("SNETCFG_EXIT", run.exit_env);
        SetEnvironmentVariableA("SNETCFG_SLEEP_MS", run.sleep_env);
        DWORD exit_code = 0;
        const DWORD started = GetTickCount();
        if (!run_hidden(tool, run.command_line, work_dir, &exit_code)) {
            ok = false;
            continue;
        }
        const DWORD took = GetTickCount() - started;
        if (!check_at(exit_code == run.expected_exit, __LINE__, run.command_line, "exit code", exit_code))
            ok = false;
        if (!check_at(took >= run.min_run_ms, __LINE__, "run lasted at least SNETCFG_SLEEP_MS", "ms", took))
            ok = false;
        ok = CHECK(append_to(expected, &used, "%s\t%s\r\n", run.command_line, work_dir)) && ok;
    }
    SetEnvironmentVariableA("SNETCFG_EXIT", nullptr);
    SetEnvironmentVariableA("SNETCFG_SLEEP_MS", nullptr);
    SetEnvironmentVariableA("SNETCFG_LOG", nullptr);

    char log[2048];
    if (read_text_file(log_path, log)) {
        if (!check_at(std::strcmp(log, expected) == 0, __LINE__, "log holds each command line and directory",
                      "bytes", static_cast<DWORD>(std::strlen(log)))) {
            std::printf("  expected:\n%s  received:\n%s", expected, log);
            ok = false;
        }
    } else {
        ok = false;
    }
    std::printf("  snetcfg: %s\n", ok ? "recorded every request, exit codes passed through" : "FAILED");
    DeleteFileA(log_path);
    RemoveDirectoryA(work_dir);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::printf("usage: driver_probe <zelbase.sys> <snetcfg.exe>\n");
        return 2;
    }
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    char system_dir[MAX_PATH];
    UINT got = GetSystemDirectoryA(system_dir, sizeof(system_dir));
    if (!CHECK(got != 0 && got < sizeof(system_dir)))
        return 1;

    bool driver_ok = probe_driver(argv[1], system_dir);
    bool netcfg_ok = probe_netcfg(argv[2]);
    std::printf("Windows %lu.%lu.%lu platform %lu: driver %s, snetcfg %s\n", version.dwMajorVersion,
                version.dwMinorVersion, version.dwBuildNumber & 0xffff, version.dwPlatformId,
                driver_ok ? "ok" : "FAILED", netcfg_ok ? "ok" : "FAILED");
    return g_failures == 0 ? 0 : 1;
}
