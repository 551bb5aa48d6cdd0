// comdlg32's Save and Open dialogs: filters, starting folder, the questions before a name is taken.
#include "file_dialogs.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

#include "desktop.h"
#include "modal_loop.h"
#include "replace_question.h"

namespace fs = std::filesystem;

namespace posix {

namespace {

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    const passwd* user = getpwuid(getuid());
    return user && user->pw_dir ? user->pw_dir : "/";
}

std::string joined(const std::string& folder, const std::string& name) {
    if (folder.empty() || name.empty()) return folder + name;
    return folder.back() == '/' ? folder + name : folder + '/' + name;
}

}  // namespace

std::string meantPath(const ChosenName& name) {
    const std::string& typed = name.typed;
    if (!typed.empty() && typed.front() == '/') return typed;
    if (typed == "~") return homeFolder();
    if (typed.rfind("~/", 0) == 0) return joined(homeFolder(), typed.substr(2));
    return joined(name.folder, typed);
}

std::vector<std::string> patternsOf(const FileFilter& filter) {
    std::vector<std::string> patterns;
    std::size_t start = 0;
    while (start <= filter.pattern.size()) {
        const std::size_t end = std::min(filter.pattern.find(';', start), filter.pattern.size());
        std::string one = filter.pattern.substr(start, end - start);
        one.erase(0, one.find_first_not_of(' '));
        one.erase(one.find_last_not_of(' ') + 1);
        if (one == "*.*") one = "*";
        if (!one.empty()) patterns.push_back(one);
        start = end + 1;
    }
    return patterns;
}

}  // namespace posix

using namespace posix;

namespace {

// The filter list: pairs of description and pattern, each ending with a NUL,
// the list with a second NUL.
std::vector<FileFilter> readFilters(LPCSTR list) {
    std::vector<FileFilter> filters;
    while (list && *list) {
        FileFilter filter;
        filter.description = list;
        list += filter.description.size() + 1;
        if (!*list) break;
        filter.pattern = list;
        list += filter.pattern.size() + 1;
        filters.push_back(filter);
    }
    return filters;
}

// A directory that does not exist here (such as "c:\") gives the current one.
std::string startDirectory(LPCSTR wanted) {
    std::error_code error;
    if (wanted && *wanted && fs::is_directory(wanted, error)) return wanted;
    return fs::current_path(error).string();
}

std::optional<std::string> askForPath(const FileDialogRequest& request) {
    std::optional<std::optional<ChosenName>> chosen;
    display().openFileDialog(request, [&chosen](std::optional<ChosenName> name) { chosen = name; });
    if (!runModalLoop([&chosen] { return chosen.has_value(); }) || !*chosen) return std::nullopt;
    if (!(*chosen)->refusal.empty()) {
        MessageBoxA(request.owner, (*chosen)->refusal.c_str(), request.title.c_str(), MB_ICONINFORMATION);
        return std::nullopt;
    }
    return meantPath(**chosen);
}

// The questions the dialog asks before it accepts a name; false keeps it open.
// Differs from Windows: the question to create a file is in our words, and both take the
// dialog's title as their caption.
bool confirmed(const FileDialogRequest& request, DWORD flags, const std::string& path) {
    std::error_code error;
    const bool exists = fs::exists(path, error);
    const std::string name = fs::path(path).filename().string();
    if (exists && request.save && (flags & OFN_OVERWRITEPROMPT))
        return MessageBoxA(request.owner, replaceQuestion(name).c_str(), request.title.c_str(),
                           replaceQuestionStyle) == IDYES;
    if (!exists && (flags & OFN_CREATEPROMPT))
        return MessageBoxA(request.owner, (name + " does not exist.\nDo you want to create it?").c_str(),
                           request.title.c_str(), MB_YESNO | MB_ICONWARNING) == IDYES;
    return true;
}

bool isFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

// The folder a name is in, when it is not there; empty when it is.
std::string missingFolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return {};
    const std::string folder = path.substr(0, slash);
    return isFolder(folder) ? std::string() : folder;
}

void storeResult(OPENFILENAMEA& dialog, const std::string& path) {
    std::memcpy(dialog.lpstrFile, path.c_str(), path.size() + 1);
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    dialog.nFileOffset = static_cast<WORD>(nameStart);
    dialog.nFileExtension = static_cast<WORD>(dot != std::string::npos && dot >= nameStart ? dot + 1 : 0);
    if (dialog.lpstrFileTitle && dialog.nMaxFileTitle > 0) {
        const std::string title = path.substr(nameStart);
        const std::size_t length = std::min<std::size_t>(title.size(), dialog.nMaxFileTitle - 1);
        std::memcpy(dialog.lpstrFileTitle, title.data(), length);
        dialog.lpstrFileTitle[length] = '\0';
    }
}

BOOL runFileDialog(LPOPENFILENAMEA dialog, bool save) {
    desktop().lastCommonDialogError = 0;
    if (!dialog || (dialog->lStructSize != OPENFILENAME_SIZE_VERSION_400A &&
                    dialog->lStructSize != sizeof(OPENFILENAMEA))) {
        desktop().lastCommonDialogError = CDERR_STRUCTSIZE;
        return FALSE;
    }
    FileDialogRequest request;
    request.save = save;
    request.owner = dialog->hwndOwner;
    request.title = dialog->lpstrTitle ? dialog->lpstrTitle : (save ? "Save As" : "Open");
    request.filters = readFilters(dialog->lpstrFilter);
    request.initialDirectory = startDirectory(dialog->lpstrInitialDir);
    request.askedDirectory = dialog->lpstrInitialDir ? dialog->lpstrInitialDir : "";
    request.flags = dialog->Flags;

    // Disabled from the start to the end: the questions between the chooser's turns leave it so.
    OwnerDisabled disabled(request.owner);
    for (;;) {
        const std::optional<std::string> path = askForPath(request);
        if (!path || path->empty()) return FALSE;
        // A folder's name opens that folder, as Windows' dialogs do; they never return one.
        if (isFolder(*path)) {
            request.initialDirectory = *path;
            continue;
        }
        const std::string missingFolder = missingFolderOf(*path);
        bool accepted = false;
        if (missingFolder.empty())
            accepted = confirmed(request, dialog->Flags, *path);
        else
            MessageBoxA(request.owner, (missingFolder + "\nPath does not exist.\nCheck the path and try again.").c_str(),
                        request.title.c_str(), MB_OK | MB_ICONWARNING);
        // A quit taken by the question ends the dialog, with no chooser shown again.
        if (desktop().quitPending) return FALSE;
        if (!accepted) continue;
        if (!dialog->lpstrFile || path->size() + 1 > dialog->nMaxFile) {
            desktop().lastCommonDialogError = FNERR_BUFFERTOOSMALL;
            return FALSE;
        }
        storeResult(*dialog, *path);
        return TRUE;
    }
}

}  // namespace

BOOL WINAPI GetSaveFileNameA(LPOPENFILENAMEA dialog) { return runFileDialog(dialog, true); }

BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA dialog) { return runFileDialog(dialog, false); }

DWORD WINAPI CommDlgExtendedError() { return desktop().lastCommonDialogError; }
