/* zestawienia-win-host: a Windows host of the plug-in in plain Win32 C, no Qt: a main
 * window with a menu "Akcje" whose item carries the plug-in's caption. The plug-in is
 * loaded with LoadLibraryW, gets the main window's HWND through GetTypeName, and its
 * windows live on this program's message loop.
 *
 *   zestawienia-win-host [--library DLL] [--database DB] [--user U] [--password P]
 *                        [--role R] [--open] [--commands]
 *
 * The texts handed to the plug-in are Windows-1250, as the register program keeps them.
 *
 * --commands reads one command a line from standard input (a thread of its own hands each
 * line to the message loop):
 *   open          Analiza, as the menu item does
 *   open-thread   Analiza from a thread of its own (the plug-in must refuse it)
 *   unload        FreeLibrary
 *   load          LoadLibraryW again and GetTypeName
 *   owned TITLE   whether a visible window titled TITLE is owned by the main window
 *   gone TITLE    whether no visible window is titled TITLE
 *   close TITLE   asks the visible window titled TITLE to close (WM_CLOSE)
 *   quit          unload the plug-in when loaded and exit 0 (also at the end of the input)
 * Each command is answered by one line on standard output ("ok open", "error ...").
 * At start the host says "ready window=0x..." with its main window's handle. */

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

typedef void(__stdcall* GetTypeNameFn)(const char**, int32_t*, uint32_t);
typedef void(__stdcall* AnalizaFn)(int32_t, const char*, const char*, const char*, const char*, int32_t);

enum { IdAction = 100, WmCommandLine = WM_APP + 1 };

typedef struct {
    wchar_t* library_path;
    char* database; /* Windows-1250 */
    char* user;
    char* password;
    char* role;
    HMODULE library;
    GetTypeNameFn get_type_name;
    AnalizaFn analiza;
    HWND window;
    HMENU actions;
    int exit_code;
} Host;

static Host host;

static void answer(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    putchar('\n');
    fflush(stdout);
}

/* Text from one code page to another through UTF-16; the result is malloc'ed. */
static wchar_t* to_wide(const char* text, UINT code_page)
{
    const int n = MultiByteToWideChar(code_page, 0, text ? text : "", -1, NULL, 0);
    wchar_t* wide = malloc(sizeof(wchar_t) * (size_t)(n > 0 ? n : 1));
    wide[0] = L'\0';
    if (n > 0)
        MultiByteToWideChar(code_page, 0, text ? text : "", -1, wide, n);
    return wide;
}

static char* from_wide(const wchar_t* text, UINT code_page)
{
    const int n = WideCharToMultiByte(code_page, 0, text ? text : L"", -1, NULL, 0, NULL, NULL);
    char* bytes = malloc((size_t)(n > 0 ? n : 1));
    bytes[0] = '\0';
    if (n > 0)
        WideCharToMultiByte(code_page, 0, text ? text : L"", -1, bytes, n, NULL, NULL);
    return bytes;
}

static void set_action_item(const wchar_t* caption, BOOL enabled)
{
    MENUITEMINFOW item = { .cbSize = sizeof item };
    item.fMask = MIIM_STRING | MIIM_STATE;
    item.dwTypeData = (wchar_t*)caption;
    item.fState = enabled ? MFS_ENABLED : MFS_DISABLED;
    SetMenuItemInfoW(host.actions, IdAction, FALSE, &item);
    DrawMenuBar(host.window);
}

static BOOL plugin_load(void)
{
    if (host.library)
        return TRUE;
    /* The plug-in's own folder is searched for the libraries it needs (Qt's, the
     * Firebird client's) before the program's. */
    host.library = LoadLibraryExW(host.library_path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!host.library) {
        fprintf(stderr, "cannot load %ls: error %lu\n", host.library_path, GetLastError());
        return FALSE;
    }
    host.get_type_name = (GetTypeNameFn)(void*)GetProcAddress(host.library, "GetTypeName");
    host.analiza = (AnalizaFn)(void*)GetProcAddress(host.library, "Analiza");
    if (!host.get_type_name || !host.analiza) {
        fprintf(stderr, "%ls does not export GetTypeName and Analiza\n", host.library_path);
        FreeLibrary(host.library);
        host.library = NULL;
        return FALSE;
    }
    const char* caption = NULL;
    int32_t kind = 0;
    /* 64-bit Windows keeps window handles to 32 significant bits. */
    host.get_type_name(&caption, &kind, (uint32_t)(uintptr_t)host.window);
    wchar_t* label = to_wide(caption, 1250);
    set_action_item(label, TRUE);
    free(label);
    return TRUE;
}

static void plugin_unload(void)
{
    if (!host.library)
        return;
    set_action_item(L"", FALSE);
    if (!FreeLibrary(host.library))
        fprintf(stderr, "FreeLibrary: error %lu\n", GetLastError());
    host.library = NULL;
    host.get_type_name = NULL;
    host.analiza = NULL;
}

static BOOL run_action(void)
{
    if (!host.analiza)
        return FALSE;
    host.analiza(0, host.database, host.user, host.password, host.role, 0);
    return TRUE;
}

static DWORD WINAPI run_action_thread(void* unused)
{
    (void)unused;
    run_action();
    return 0;
}

typedef struct {
    const wchar_t* title;
    HWND found;
} Search;

static BOOL CALLBACK find_titled(HWND window, LPARAM data)
{
    Search* search = (Search*)data;
    wchar_t title[256];
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window))
        return TRUE;
    if (GetWindowTextW(window, title, 256) > 0 && wcscmp(title, search->title) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

/* The visible top-level window of this process with this title (UTF-8), or NULL. */
static HWND find_window(const char* title_utf8)
{
    wchar_t* title = to_wide(title_utf8, CP_UTF8);
    Search search = { title, NULL };
    EnumWindows(find_titled, (LPARAM)&search);
    free(title);
    return search.found;
}

static void run_command(const char* line)
{
    if (strcmp(line, "open") == 0) {
        if (run_action())
            answer("ok open");
        else
            answer("error open: the plug-in is not loaded");
    } else if (strcmp(line, "open-thread") == 0) {
        if (!host.analiza) {
            answer("error open-thread: the plug-in is not loaded");
            return;
        }
        HANDLE thread = CreateThread(NULL, 0, run_action_thread, NULL, 0, NULL);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        answer("ok open-thread");
    } else if (strcmp(line, "unload") == 0) {
        plugin_unload();
        answer("ok unload");
    } else if (strcmp(line, "load") == 0) {
        if (plugin_load())
            answer("ok load");
        else
            answer("error load");
    } else if (strncmp(line, "owned ", 6) == 0) {
        HWND window = find_window(line + 6);
        HWND owner = window ? GetWindow(window, GW_OWNER) : NULL;
        if (!window)
            answer("error owned: no window %s", line + 6);
        else if (owner != host.window) {
            wchar_t cls[128] = L"";
            GetClassNameW(window, cls, 128);
            answer("error owned: %s (0x%llx %ls) is owned by 0x%llx", line + 6, (unsigned long long)(uintptr_t)window,
                cls, (unsigned long long)(uintptr_t)owner);
        } else
            answer("ok owned");
    } else if (strncmp(line, "gone ", 5) == 0) {
        if (find_window(line + 5))
            answer("error gone: %s is still there", line + 5);
        else
            answer("ok gone");
    } else if (strncmp(line, "close ", 6) == 0) {
        HWND window = find_window(line + 6);
        if (window) {
            PostMessageW(window, WM_CLOSE, 0, 0);
            answer("ok close");
        } else {
            answer("error close: no window %s", line + 6);
        }
    } else if (strcmp(line, "quit") == 0) {
        answer("ok quit");
        host.exit_code = 0;
        DestroyWindow(host.window);
    } else if (*line) {
        answer("error unknown command: %s", line);
    }
}

/* Reads standard input and hands each line to the message loop; the end of the input
 * ends the host. */
static DWORD WINAPI read_commands(void* window)
{
    char line[1024];
    while (fgets(line, sizeof line, stdin)) {
        size_t n = strlen(line);
        while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r' || line[n - 1] == ' '))
            line[--n] = '\0';
        char* copy = _strdup(line);
        if (!PostMessageW((HWND)window, WmCommandLine, 0, (LPARAM)copy)) {
            free(copy);
            return 0;
        }
    }
    PostMessageW((HWND)window, WmCommandLine, 0, (LPARAM)_strdup("quit"));
    return 0;
}

static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM w, LPARAM l)
{
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(w) == IdAction) {
            run_action();
            return 0;
        }
        break;
    case WmCommandLine: {
        char* line = (char*)l;
        run_command(line);
        free(line);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(host.exit_code);
        return 0;
    }
    return DefWindowProcW(window, message, w, l);
}

static wchar_t* default_library(void)
{
    wchar_t* path = malloc(sizeof(wchar_t) * (MAX_PATH + 32));
    const DWORD n = GetModuleFileNameW(NULL, path, MAX_PATH);
    wchar_t* slash = n ? wcsrchr(path, L'\\') : NULL;
    wcscpy(slash ? slash + 1 : path, L"zestawienia.dll");
    return path;
}

static void usage(void)
{
    fputs("usage: zestawienia-win-host [--library DLL] [--database DB] [--user U] [--password P]\n"
          "                            [--role R] [--open] [--commands]\n",
        stderr);
}

int main(void)
{
    /* The answers end in a line feed alone, as the scripts that read them expect. */
    _setmode(_fileno(stdout), _O_BINARY);
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const wchar_t *library = NULL, *database = L"", *user = L"SYSDBA", *password = L"masterkey", *role = L"";
    BOOL open_at_start = FALSE, commands = FALSE;
    for (int i = 1; i < argc; ++i) {
        const wchar_t* a = argv[i];
        const wchar_t** value = wcscmp(a, L"--library") == 0 ? &library
            : wcscmp(a, L"--database") == 0                  ? &database
            : wcscmp(a, L"--user") == 0                      ? &user
            : wcscmp(a, L"--password") == 0                  ? &password
            : wcscmp(a, L"--role") == 0                      ? &role
                                                             : NULL;
        if (value && i + 1 < argc) {
            *value = argv[++i];
        } else if (wcscmp(a, L"--open") == 0) {
            open_at_start = TRUE;
        } else if (wcscmp(a, L"--commands") == 0) {
            commands = TRUE;
        } else if (wcscmp(a, L"--help") == 0) {
            usage();
            return 0;
        } else {
            fprintf(stderr, "unknown argument: %ls\n", a);
            usage();
            return 2;
        }
    }
    host.library_path = library ? _wcsdup(library) : default_library();
    host.database = from_wide(database, 1250);
    host.user = from_wide(user, 1250);
    host.password = from_wide(password, 1250);
    host.role = from_wide(role, 1250);

    const HINSTANCE instance = GetModuleHandleW(NULL);
    WNDCLASSW window_class = { 0 };
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursor(NULL, IDC_ARROW);
    window_class.hbrBackground = (HBRUSH)(COLOR_APPWORKSPACE + 1);
    window_class.lpszClassName = L"ZestawieniaWinHost";
    RegisterClassW(&window_class);

    HMENU bar = CreateMenu();
    host.actions = CreatePopupMenu();
    AppendMenuW(host.actions, MF_STRING | MF_GRAYED, IdAction, L"");
    AppendMenuW(bar, MF_POPUP, (UINT_PTR)host.actions, L"Akcje");
    host.window = CreateWindowExW(0, window_class.lpszClassName, L"Rejestr - zestawienia-win-host", WS_OVERLAPPEDWINDOW,
        0, 0, 900, 700, NULL, bar, instance, NULL);
    if (!host.window) {
        fprintf(stderr, "cannot create the main window: error %lu\n", GetLastError());
        return 1;
    }
    ShowWindow(host.window, SW_SHOW);
    UpdateWindow(host.window);

    if (!plugin_load())
        return 1;
    answer("ready window=0x%llx", (unsigned long long)(uintptr_t)host.window);
    if (open_at_start)
        PostMessageW(host.window, WM_COMMAND, IdAction, 0);
    if (commands)
        CloseHandle(CreateThread(NULL, 0, read_commands, host.window, 0, NULL));

    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    plugin_unload();
    free(host.library_path);
    free(host.database);
    free(host.user);
    free(host.password);
    free(host.role);
    LocalFree(argv);
    return host.exit_code;
}
