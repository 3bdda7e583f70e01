// qpk build: the manifest of every file below a folder.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "install/copy_rules.h"
#include "install/manifest_rules.h"
#include "medium/medium_rules.h"
#include "qpk.h"

namespace fs = std::filesystem;

// "C:\" + name must fit 259 bytes.
constexpr std::size_t kLongestInstallableName = 256;

struct PackageFile {
    std::string name;  // CP949, backslashes
    std::uint64_t size;
};

struct BuildOptions {
    fs::path folder;
    fs::path output;
    std::uint64_t cluster = kDefaultClusterSize;
    std::vector<std::string> excluded;  // lower-case, backslashes
};

static std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

static std::string WithBackslashes(std::string text) {
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

static bool ParseBuildOptions(const std::vector<std::string>& args, BuildOptions& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        bool hasValue = i + 1 < args.size();
        if (arg == "-o" && hasValue) {
            options.output = args[++i];
        } else if (arg == "--cluster" && hasValue) {
            options.cluster = std::strtoull(args[++i].c_str(), nullptr, 10);
            if (options.cluster == 0) return false;
        } else if (arg == "--exclude" && hasValue) {
            options.excluded.push_back(Lower(WithBackslashes(args[++i])));
        } else if (options.folder.empty() && !arg.empty() && arg[0] != '-') {
            options.folder = arg;
        } else {
            return false;
        }
    }
    return !options.folder.empty() && !options.output.empty();
}

// The file's name in the manifest; false, with the reason printed, when the
// setup program could not use it.
static bool ManifestName(const fs::path& relative, std::string& name) {
    std::string utf8 = WithBackslashes(relative.generic_string());
    if (!Utf8ToCp949(utf8, name)) {
        std::fprintf(stderr, "qpk: %s: the name has no form in code page 949\n", utf8.c_str());
        return false;
    }
    NameProblem problem = CheckManifestName(name);
    if (problem != NameProblem::None) {
        std::fprintf(stderr, "qpk: %s: %s\n", utf8.c_str(), NameProblemEnglish(problem).c_str());
        return false;
    }
    // The shortest install folder, a drive such as C:, leaves 256 bytes below it.
    if (name.size() > kLongestInstallableName) {
        std::fprintf(stderr, "qpk: %s: longer than %zu bytes, too long below any install folder\n", utf8.c_str(),
                     kLongestInstallableName);
        return false;
    }
    return true;
}

static bool IsExcluded(const BuildOptions& options, const fs::path& path, const fs::path& relative) {
    std::error_code error;
    if (fs::equivalent(path, options.output, error)) return true;
    std::string name = WithBackslashes(relative.generic_string());
    if (IsSetupFileName(name)) return true;
    name = Lower(name);
    return std::find(options.excluded.begin(), options.excluded.end(), name) != options.excluded.end();
}

static bool CollectFiles(const BuildOptions& options, std::vector<PackageFile>& files) {
    std::error_code error;
    bool ok = true;
    fs::recursive_directory_iterator it(options.folder, error), end;
    if (error) {
        std::fprintf(stderr, "qpk: %s: %s\n", options.folder.c_str(), error.message().c_str());
        return false;
    }
    for (; it != end; it.increment(error)) {
        fs::path relative = it->path().lexically_relative(options.folder);
        if (it->is_symlink() || (!it->is_directory() && !it->is_regular_file())) {
            std::fprintf(stderr, "qpk: %s: not a regular file or folder\n", relative.c_str());
            ok = false;
            continue;
        }
        if (it->is_directory() || IsExcluded(options, it->path(), relative)) continue;
        PackageFile file;
        if (!ManifestName(relative, file.name)) {
            ok = false;
            continue;
        }
        file.size = it->file_size();
        files.push_back(file);
    }
    if (error) {
        std::fprintf(stderr, "qpk: %s: %s\n", options.folder.c_str(), error.message().c_str());
        return false;
    }
    std::sort(files.begin(), files.end(), [](const PackageFile& a, const PackageFile& b) { return a.name < b.name; });
    return ok;
}

// The bytes the files occupy on disk: each file rounded up to whole clusters.
static bool TotalOnDisk(const std::vector<PackageFile>& files, std::uint64_t cluster, std::uint32_t& total) {
    std::uint64_t sum = 0;
    for (const PackageFile& file : files) {
        sum += (file.size + cluster - 1) / cluster * cluster;
        if (sum > 0xFFFFFFFFu) return false;
    }
    total = static_cast<std::uint32_t>(sum);
    return true;
}

static std::string ManifestBytes(std::uint32_t total, const std::vector<PackageFile>& files) {
    std::vector<std::string> names;
    for (const PackageFile& file : files) names.push_back(file.name);
    return EncodeManifest(total, names);
}

static bool WriteManifest(const fs::path& output, std::uint32_t total, const std::vector<PackageFile>& files) {
    std::string bytes = ManifestBytes(total, files);
    fs::path temporary = output;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) return false;
    }
    std::error_code error;
    fs::rename(temporary, output, error);
    return !error;
}

int BuildCommand(const std::vector<std::string>& args) {
    BuildOptions options;
    if (!ParseBuildOptions(args, options)) {
        std::fputs("usage: qpk build <folder> -o <manifest> [--cluster <bytes>] [--exclude <name>]...\n", stderr);
        return 2;
    }
    std::vector<PackageFile> files;
    if (!CollectFiles(options, files)) return 1;
    if (files.size() > 0x7FFFFFFFu) {
        std::fputs("qpk: too many files for one manifest\n", stderr);
        return 1;
    }
    std::uint32_t total = 0;
    if (!TotalOnDisk(files, options.cluster, total)) {
        std::fputs("qpk: the files need 4 GiB or more, more than the manifest's total size can hold\n", stderr);
        return 1;
    }
    if (!WriteManifest(options.output, total, files)) {
        std::fprintf(stderr, "qpk: cannot write %s\n", options.output.c_str());
        return 1;
    }
    std::size_t longest = 0;
    for (const PackageFile& file : files) longest = std::max(longest, file.name.size());
    std::printf("%s: %zu files, total %u bytes on disk (clusters of %llu bytes)\n", options.output.c_str(),
                files.size(), total, static_cast<unsigned long long>(options.cluster));
    if (!files.empty())
        std::printf("longest name %zu bytes: install folders of up to %zu bytes can take every file\n", longest,
                    258 - longest);
    return 0;
}

bool ManifestOfFolder(const std::string& folder, const std::vector<std::string>& excluded, std::uint64_t cluster,
                      std::string& bytes) {
    BuildOptions options;
    options.folder = folder;
    options.cluster = cluster == 0 ? kDefaultClusterSize : cluster;
    for (const std::string& name : excluded) options.excluded.push_back(Lower(WithBackslashes(name)));
    std::vector<PackageFile> files;
    std::uint32_t total = 0;
    if (!CollectFiles(options, files) || !TotalOnDisk(files, options.cluster, total)) return false;
    bytes = ManifestBytes(total, files);
    return true;
}
