// SPDX-License-Identifier: Apache-2.0
#include "ModuleLoader.h"

#include "Errors.h"
#include "Messages.h"
#include "Text.h"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::vector<std::string> ModuleSearchFolders(const char* pluginPath,
                                             const std::string& binaryFolder) {
    std::vector<std::string> folders;
    if (pluginPath) {
        std::string_view rest(pluginPath);
        while (true) {
            const size_t colon = rest.find(':');
            const std::string_view folder = rest.substr(0, colon);
            if (!folder.empty()) folders.emplace_back(folder);
            if (colon == std::string_view::npos) break;
            rest.remove_prefix(colon + 1);
        }
    }
    if (!binaryFolder.empty()) folders.push_back(binaryFolder);
    return folders;
}

std::string BinaryFolder() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.parent_path().string();
}

LoadedModule LoadedModule::Load(const std::string& ownFolder) {
    std::vector<std::string> tried;
    std::vector<std::string> failed; // "PATH: why" for each module found that did not load
    std::string lastProblem;
    for (const std::string& folder :
         ModuleSearchFolders(std::getenv("VORLINGS_PLUGIN_PATH"), ownFolder)) {
        const std::string path = (fs::path(folder) / kModuleFileName).string();
        tried.push_back(path);
        std::error_code ec;
        if (!fs::exists(path, ec)) continue;
        if (void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            // A module passed over is named, so that a broken install is not silently hidden.
            for (const std::string& skipped : failed) Warn(skipped + "; using " + path);
            return LoadedModule(handle, path);
        }
        const char* why = dlerror();
        lastProblem = why ? OneLine(why) : "dlopen failed";
        // dlerror's text usually starts with the path already.
        failed.push_back(lastProblem.starts_with(path) ? lastProblem : path + ": " + lastProblem);
    }
    std::string message = std::string("cannot load the tool module ") + kModuleFileName +
                          " (tried " + (tried.empty() ? "no folder" : Join(tried, ", ")) + ")";
    if (!lastProblem.empty()) message += ": " + lastProblem;
    throw FileError(message + "; set VORLINGS_PLUGIN_PATH to the folder holding it");
}

LoadedModule::LoadedModule(LoadedModule&& other) noexcept
    : handle_(other.handle_), path_(std::move(other.path_)) {
    other.handle_ = nullptr;
}

LoadedModule::~LoadedModule() {
    if (handle_) dlclose(handle_);
}
