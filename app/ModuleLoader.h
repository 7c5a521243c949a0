// SPDX-License-Identifier: Apache-2.0
// Finds and loads the tool module as a compositing host does: dlopen, after which the
// module's static entries have joined the host's class registry.
#pragma once

#include <string>
#include <vector>

inline constexpr const char* kModuleFileName = "TharnVorlings.so";

/// The folders searched for the module, in order: each folder of VORLINGS_PLUGIN_PATH
/// (colon-separated; `pluginPath` null when unset), then the folder of the running binary.
std::vector<std::string> ModuleSearchFolders(const char* pluginPath,
                                             const std::string& binaryFolder);

/// The folder holding the running binary.
std::string BinaryFolder();

/// The loaded module; unloading it (when this goes) removes its entries from the registry,
/// so every tool object it made must be destroyed first.
class LoadedModule {
public:
    /// Loads the module from the first search folder that has it, `ownFolder` (the folder of
    /// the front end's own file) last; throws a CommandError naming every path tried when
    /// none loads.
    static LoadedModule Load(const std::string& ownFolder = BinaryFolder());

    LoadedModule(LoadedModule&& other) noexcept;
    LoadedModule& operator=(LoadedModule&&) = delete;
    LoadedModule(const LoadedModule&) = delete;
    ~LoadedModule();

    const std::string& Path() const { return path_; }

private:
    LoadedModule(void* handle, std::string path) : handle_(handle), path_(std::move(path)) {}
    void* handle_;
    std::string path_;
};
