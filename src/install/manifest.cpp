// Reading the package manifest "Quorin.qpk" of the source folder into the
// list of package files; the decoding itself is a rule.
#include "install/manifest.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/scoped.h"
#include "common/script_rules.h"
#include "install/copy_rules.h"
#include "install/install.h"

// The manifest's file, opened as the medium expects: read-only, not shared.
static HANDLE OpenManifest() {
    std::string path;
    if (!JoinPath(g_state.sourceFolder, "Quorin.qpk", path)) return INVALID_HANDLE_VALUE;
    return CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_READONLY, nullptr);
}

// Hands the file's bytes to the decoder in large pieces, so that a manifest
// of many entries costs few system calls.
class ManifestFileReader {
public:
    explicit ManifestFileReader(HANDLE file) : m_file(file), m_buffer(1 << 16), m_used(0), m_filled(0) {}

    std::size_t Read(unsigned char* out, std::size_t size) {
        std::size_t given = 0;
        while (given < size) {
            if (m_used == m_filled && !Refill()) break;
            std::size_t n = std::min(size - given, m_filled - m_used);
            std::copy(m_buffer.begin() + m_used, m_buffer.begin() + m_used + n, out + given);
            m_used += n;
            given += n;
        }
        return given;
    }

private:
    bool Refill() {
        DWORD read = 0;
        if (!ReadFile(m_file, m_buffer.data(), static_cast<DWORD>(m_buffer.size()), &read, nullptr)) read = 0;
        m_used = 0;
        m_filled = read;
        return read > 0;
    }

    HANDLE m_file;
    std::vector<unsigned char> m_buffer;
    std::size_t m_used;
    std::size_t m_filled;
};

ManifestResult ReadPackageManifest(std::vector<std::string>& names) {
    ScopedHandle file(OpenManifest());
    if (!file.Valid()) {
        ManifestResult result;
        result.error = ManifestError::CannotOpen;
        return result;
    }
    ManifestFileReader reader(file.Get());
    return DecodeManifest([&reader](unsigned char* out, std::size_t size) { return reader.Read(out, size); }, names);
}
