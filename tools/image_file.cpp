#include "tools/image_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "tools/bmp_reader.h"
#include "tools/options.h"
#include "tools/output_file.h"
#include "tools/png_io.h"

namespace dibtool {

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

// Reads a stream to its end.
std::string ReadStream(FILE* stream, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    uint8_t chunk[65536];
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, stream);
        if (got > 0) {
            if (bytes.size() + got > kMaxInputBytes) {
                return "the file is too large (more than " + std::to_string(kMaxInputBytes) + " bytes)";
            }
            try {
                bytes.insert(bytes.end(), chunk, chunk + got);
            } catch (const std::bad_alloc&) {
                return "not enough memory to read the file";
            }
        }
        if (got < sizeof chunk) {
            break;
        }
    }
    if (std::ferror(stream) != 0) {
        return std::string("cannot read: ") + std::strerror(errno);
    }
    return {};
}

}  // namespace

std::string ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (file == nullptr) {
        return std::string("cannot open: ") + std::strerror(errno);
    }
    return ReadStream(file.get(), bytes);
}

std::string LoadImageFile(const std::string& path, PackedDib& image, COLORREF background)
{
    std::vector<uint8_t> bytes;
    if (path == kStandardStream) {
        UseBinaryMode(stdin);
    }
    if (std::string problem = path == kStandardStream ? ReadStream(stdin, bytes) : ReadWholeFile(path, bytes);
        !problem.empty()) {
        return problem;
    }
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        return DecodeBmp(bytes, image, background);
    }
    if (HasPngSignature(bytes)) {
        return DecodePng(bytes, image, background);
    }
    if (bytes.empty()) {
        return "the file is empty";
    }
    return "not a BMP or PNG file";
}

}  // namespace dibtool
