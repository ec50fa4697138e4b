#include "platform/system/shell.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <mutex>
#include <thread>

#include "platform/system/file.h"
#include "platform/system/text.h"

extern char** environ;

namespace {

std::mutex g_lock;
ShellLauncher g_launcher;

bool IsOpenVerb(LPCWSTR verb) {
    if (verb == nullptr) return false;
    const wchar_t* open = L"open";
    size_t i = 0;
    for (; verb[i] != L'\0' && open[i] != L'\0'; ++i) {
        wchar_t c = verb[i];
        if (c >= L'A' && c <= L'Z') c = c - L'A' + L'a';
        if (c != open[i]) return false;
    }
    return verb[i] == L'\0' && open[i] == L'\0';
}

bool SpawnDetached(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // The opener gets nothing of ours but its arguments: no sockets or files stay open in it.
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return false;
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) return false;
    // The opener may outlive the program or end at once; either way someone must wait for it.
    try {
        std::thread([pid] {
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (...) {
        // No thread to spare: wait here rather than leave a zombie behind.
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    return true;
}

// "http://" or "https://", in any case.
bool IsWebAddress(LPCWSTR file) {
    for (const wchar_t* scheme : {L"http://", L"https://"}) {
        size_t i = 0;
        for (; scheme[i] != L'\0'; ++i) {
            wchar_t c = file[i];
            if (c >= L'A' && c <= L'Z') c = c - L'A' + L'a';
            if (c != scheme[i]) break;
        }
        if (scheme[i] == L'\0') return true;
    }
    return false;
}

}  // namespace

void SetShellLauncher(ShellLauncher launcher) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_launcher = std::move(launcher);
}

BOOL ShellExecuteEx(SHELLEXECUTEINFOW* info) {
    if (info == nullptr) return FALSE;
    info->hProcess = nullptr;
    info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(31));
    if (info->lpFile == nullptr || info->lpFile[0] == L'\0' || !IsOpenVerb(info->lpVerb)) return FALSE;

    std::string file;
    if (IsWebAddress(info->lpFile)) {
        file = TextWideToUtf8(info->lpFile);
    } else {
        file = PathToNative(info->lpFile);
        struct stat st;
        if (::stat(file.c_str(), &st) != 0) return FALSE;
        // A name starting with "-" would read as an option of the opener.
        if (file[0] == '-') file = "./" + file;
    }
    const std::vector<std::string> argv = {"xdg-open", file};
    ShellLauncher launcher;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        launcher = g_launcher;
    }
    const bool started = launcher ? launcher(argv[0], argv) : SpawnDetached(argv[0], argv);
    if (!started) return FALSE;
    info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(42));
    return TRUE;
}
