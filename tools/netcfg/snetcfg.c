/*
 * Stand-in for the network-configuration tool "snetcfg.exe".
 *
 * It does not touch the network configuration. It records each request so a
 * test can see exactly how it was started: one line per run, appended to the
 * log file, holding the command line as the process received it
 * (GetCommandLineA, untouched: a caller that passes no program name gets a line
 * that begins with the blank it passed) and the working directory, separated by
 * a tab.
 *
 * Environment:
 *   SNETCFG_LOG       log file (default C:\snetcfg-requests.log)
 *   SNETCFG_EXIT      exit code (decimal, or 0x-prefixed hex; default 0)
 *   SNETCFG_SLEEP_MS  milliseconds to wait before doing anything
 *
 * It also reads the two requests it is given in practice, "-l INF -c s -i ID"
 * (install) and "-u ID" (uninstall), prints what it would do, and, when it
 * exits 0, records the component where Windows keeps installed network
 * services (HKLM\SYSTEM\CurrentControlSet\Control\Network\{NetService class}\
 * ID, value ComponentId), or takes that record away, so that a host can see
 * the component installed.
 */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define SNETCFG_DEFAULT_LOG "C:\\snetcfg-requests.log"
#define SNETCFG_ENV_TEXT_MAX 64

/* Reads a numeric environment variable; 0x-prefixed hex and negatives allowed. */
static DWORD env_number(const char *name, DWORD fallback)
{
    char text[SNETCFG_ENV_TEXT_MAX];
    DWORD got = GetEnvironmentVariableA(name, text, sizeof(text));
    char *end = NULL;
    long long value;

    if (got == 0 || got >= sizeof(text))
        return fallback;
    value = strtoll(text, &end, 0);
    if (end == text)
        return fallback;
    return (DWORD)value;
}

/* Appends one record. Several runs may share the log, so the file is opened
 * for appending with full sharing and retried briefly while another run holds it. */
static BOOL append_record(const char *log_path, const char *command_line, const char *cwd)
{
    HANDLE file = INVALID_HANDLE_VALUE;
    size_t command_len = strlen(command_line);
    size_t cwd_len = strlen(cwd);
    size_t total = command_len + 1 + cwd_len + 2;
    char *line;
    DWORD written = 0;
    BOOL ok;
    int attempt;

    for (attempt = 0; attempt < 50 && file == INVALID_HANDLE_VALUE; ++attempt) {
        file = CreateFileA(log_path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_SHARING_VIOLATION)
            break;
        if (file == INVALID_HANDLE_VALUE)
            Sleep(20);
    }
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;

    line = (char *)malloc(total);
    if (!line) {
        CloseHandle(file);
        return FALSE;
    }
    memcpy(line, command_line, command_len);
    line[command_len] = '\t';
    memcpy(line + command_len + 1, cwd, cwd_len);
    line[total - 2] = '\r';
    line[total - 1] = '\n';
    ok = WriteFile(file, line, (DWORD)total, &written, NULL) && written == total;
    free(line);
    CloseHandle(file);
    return ok;
}

#define SNETCFG_NET_SERVICES "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E974-E325-11CE-BFC1-08002BE10318}"

/* Installs (records) or uninstalls (removes the record of) the component id. */
static void record_component(const char *install_id, const char *uninstall_id)
{
    char key_path[MAX_PATH];
    HKEY key;
    const char *id = install_id ? install_id : uninstall_id;

    if (!id || strlen(SNETCFG_NET_SERVICES) + 1 + strlen(id) >= sizeof(key_path))
        return;
    wsprintfA(key_path, "%s\\%s", SNETCFG_NET_SERVICES, id);
    if (!install_id) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, key_path);
        return;
    }
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, key_path, &key) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, "ComponentId", 0, REG_SZ, (const BYTE *)id, (DWORD)strlen(id) + 1);
    RegCloseKey(key);
}

/* Prints what the request asks for, and records it when the run succeeds; the log
 * record above is what tests rely on. */
static void describe_request(int argc, char **argv, DWORD exit_code)
{
    const char *inf = NULL;
    const char *klass = NULL;
    const char *install_id = NULL;
    const char *uninstall_id = NULL;
    int i;

    for (i = 1; i < argc; ++i) {
        const char *next = i + 1 < argc ? argv[i + 1] : NULL;
        if (!strcmp(argv[i], "-l") && next) {
            inf = next;
            ++i;
        } else if (!strcmp(argv[i], "-c") && next) {
            klass = next;
            ++i;
        } else if (!strcmp(argv[i], "-i") && next) {
            install_id = next;
            ++i;
        } else if (!strcmp(argv[i], "-u") && next) {
            uninstall_id = next;
            ++i;
        } else {
            printf("snetcfg: unrecognised argument \"%s\"\n", argv[i]);
        }
    }

    if (install_id && inf)
        printf("snetcfg: would install component %s of class %s from %s\n", install_id,
               klass ? klass : "(none)", inf);
    else if (uninstall_id)
        printf("snetcfg: would uninstall component %s\n", uninstall_id);
    else
        printf("usage: snetcfg -l INF -c s -i ID | -u ID\n");
    if (exit_code == 0 && ((install_id && inf) || uninstall_id))
        record_component(install_id && inf ? install_id : NULL, uninstall_id);
}

int main(int argc, char **argv)
{
    char log_path[MAX_PATH];
    char cwd[MAX_PATH];
    DWORD got;
    DWORD sleep_ms = env_number("SNETCFG_SLEEP_MS", 0);
    DWORD exit_code = env_number("SNETCFG_EXIT", 0);
    const char *command_line = GetCommandLineA();

    if (sleep_ms)
        Sleep(sleep_ms);

    got = GetEnvironmentVariableA("SNETCFG_LOG", log_path, sizeof(log_path));
    if (got == 0 || got >= sizeof(log_path))
        lstrcpynA(log_path, SNETCFG_DEFAULT_LOG, sizeof(log_path));

    got = GetCurrentDirectoryA(sizeof(cwd), cwd);
    if (got == 0 || got >= sizeof(cwd))
        lstrcpynA(cwd, "?", sizeof(cwd));

    if (!append_record(log_path, command_line ? command_line : "", cwd))
        fprintf(stderr, "snetcfg: cannot append to %s (error %lu)\n", log_path, GetLastError());

    describe_request(argc, argv, exit_code);
    return (int)exit_code;
}
