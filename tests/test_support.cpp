// Shared test helpers: corpus tables, scratch folders and whole-file input and output.
#include "test_support.h"

#include "swf_container.h"

#include <gtest/gtest.h>
#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace sqztest {

std::string CorpusDir() {
    std::string dir = SQZ_CORPUS_DIR;
    if (dir.empty() || dir.back() != sqz::kPathSep) dir += sqz::kPathSep;
    return dir;
}

std::vector<OracleRow> LoadTable(const std::string& name) {
    std::ifstream in(CorpusDir() + name);
    EXPECT_TRUE(in.good()) << "cannot read " << CorpusDir() + name;
    std::vector<OracleRow> rows;
    std::string line;
    std::vector<std::string> header;
    auto split = [](const std::string& l) {
        std::vector<std::string> cells;
        std::stringstream ss(l);
        std::string cell;
        while (std::getline(ss, cell, '\t')) cells.push_back(cell);
        return cells;
    };
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::vector<std::string> cells = split(line);
        if (header.empty()) {
            header = cells;
            continue;
        }
        OracleRow row;
        for (size_t i = 0; i < header.size() && i < cells.size(); ++i) row[header[i]] = cells[i];
        rows.push_back(row);
    }
    return rows;
}

long long Num(const OracleRow& row, const std::string& column) {
    auto it = row.find(column);
    if (it == row.end()) {
        ADD_FAILURE() << "no column " << column;
        return 0;
    }
    return std::stoll(it->second);
}

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const Bytes& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::vector<std::string> FillLeavingLittle(const std::string& folder) {
    std::vector<std::string> fillers;
    for (size_t chunk : {size_t(64 * 1024), size_t(4096)}) {
        for (;;) {
            std::string name = folder + "filler" + std::to_string(fillers.size());
            FILE* f = std::fopen(name.c_str(), "wb");
            if (!f) break;
            Bytes block(chunk, 0x55);
            bool ok = std::fwrite(block.data(), 1, block.size(), f) == block.size();
            ok = std::fclose(f) == 0 && ok;
            std::error_code error;
            if (!ok || std::filesystem::file_size(name, error) != chunk || error) {
                std::remove(name.c_str());
                break;
            }
            fillers.push_back(name);
        }
    }
    for (int i = 0; i < 4 && !fillers.empty(); ++i) {
        std::remove(fillers.back().c_str());
        fillers.pop_back();
    }
    return fillers;
}

Bytes Slice(const Bytes& data, size_t from, size_t count) {
    from = std::min(from, data.size());
    count = std::min(count, data.size() - from);
    return Bytes(data.begin() + static_cast<std::ptrdiff_t>(from),
                 data.begin() + static_cast<std::ptrdiff_t>(from + count));
}

Bytes InflateBody(const Bytes& data) {
    Bytes out;
    if (data.size() < 8) return out;
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) return out;
    zs.next_in = const_cast<unsigned char*>(data.data() + 8);
    zs.avail_in = static_cast<uInt>(data.size() - 8);
    unsigned char buf[65536];
    int ret;
    do {
        zs.next_out = buf;
        zs.avail_out = sizeof buf;
        ret = inflate(&zs, Z_NO_FLUSH);
        out.insert(out.end(), buf, buf + (sizeof buf - zs.avail_out));
    } while (ret == Z_OK);
    inflateEnd(&zs);
    if (ret != Z_STREAM_END) out.clear();
    return out;
}

Bytes MakeMovie(const char* signature, unsigned char version, uint32_t length, const Bytes& body) {
    Bytes m = {static_cast<unsigned char>(signature[0]), static_cast<unsigned char>(signature[1]),
               static_cast<unsigned char>(signature[2]), version};
    for (int i = 0; i < 4; ++i) m.push_back(static_cast<unsigned char>(length >> (8 * i)));
    m.insert(m.end(), body.begin(), body.end());
    return m;
}

Bytes CompressedHead(unsigned version) {
    return {'C', 'W', 'S', static_cast<unsigned char>(version < 6 ? 6 : version)};
}

ScratchDir::ScratchDir() {
    static std::atomic<unsigned> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path p =
        fs::temp_directory_path() / ("sqztest-" + std::to_string(stamp % 100000000) + "-" + std::to_string(counter++));
    fs::create_directories(p);
    path_ = p.string();
    if (path_.back() != sqz::kPathSep) path_ += sqz::kPathSep;
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::vector<std::string> ScratchDir::Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace sqztest

namespace sqztest {

Bytes FrameHeader(unsigned nbits, uint32_t xmin, uint32_t xmax, uint32_t ymin, uint32_t ymax, uint16_t rate,
                  uint16_t count) {
    Bytes out;
    unsigned used = 0;  // bits used in the last byte of `out`
    auto put = [&](uint32_t value, unsigned width) {
        for (unsigned i = width; i-- > 0;) {
            if (used == 0) out.push_back(0);
            if ((value >> i) & 1u) out.back() |= static_cast<unsigned char>(0x80u >> used);
            used = (used + 1) % 8;
        }
    };
    put(nbits, 5);
    for (uint32_t field : {xmin, xmax, ymin, ymax}) put(field, nbits);
    for (uint16_t v : {rate, count}) {
        out.push_back(static_cast<unsigned char>(v));
        out.push_back(static_cast<unsigned char>(v >> 8));
    }
    return out;
}

Bytes Tag(unsigned code, const Bytes& body, bool longForm) {
    bool isLong = longForm || body.size() >= 63;
    unsigned word = (code << 6) | (isLong ? 63u : static_cast<unsigned>(body.size()));
    Bytes out = {static_cast<unsigned char>(word), static_cast<unsigned char>(word >> 8)};
    if (isLong)
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(body.size() >> (8 * i)));
    return Cat(out, body);
}

Bytes Deflate(const Bytes& data) {
    uLongf len = compressBound(static_cast<uLong>(data.size()));
    Bytes out(len);
    EXPECT_EQ(compress(out.data(), &len, data.data(), static_cast<uLong>(data.size())), Z_OK);
    out.resize(len);
    return out;
}

const std::map<std::string, std::string>& CorpusMoviesKeptBelowSix() {
    static const std::map<std::string, std::string> kept = {
        {"swfdec-button-events-menu-5.swf", "scripts"},
        {"swfdec-button-hittest-5.swf", "scripts"},
        {"swfdec-duplicate-depth-5.swf", "scripts"},
        {"swfdec-invalid-utf8-4.swf", "scripts"},
        {"swfdec-mask-clip-mask-5.swf", "scripts"},
        {"swfdec-place-object-char-5.swf", "scripts"},
        {"swfdec-place-object-char-name-5.swf", "scripts"},
        {"swfdec-place-object-remove-5.swf", "scripts"},
        {"swfdec-place-object-remove-name-5.swf", "scripts"},
        {"swfdec-replace-button-button-5.swf", "scripts"},
        {"swfdec-replace-movie-movie-5.swf", "scripts"},
        {"swfdec-swf4opcode.swf", "scripts"},
        {"swfdec-waitforframe2-4.swf", "scripts"},
    };
    return kept;
}

bool IsOptimizedSample(const std::string& name, const Bytes& bytes) {
    const size_t slash = name.find_last_of("/\\");
    const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    return bytes.size() >= 8 && Slice(bytes, 0, 3) == Bytes{'F', 'W', 'S'} && bytes[3] >= 1 &&
           !CorpusMoviesKeptBelowSix().count(base);
}

Bytes LzmaMovie(const Bytes& fws, bool endMarker) {
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 6);
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    Bytes out = {'Z', 'W', 'S', fws[3], 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::copy(fws.begin() + 4, fws.begin() + 8, out.begin() + 4);
    EXPECT_EQ(lzma_properties_encode(&filters[0], out.data() + 12), LZMA_OK);
    if (!endMarker) {
        options.ext_flags = 0;
        filters[0].id = LZMA_FILTER_LZMA1EXT;
    }
    Bytes stream(fws.size() + fws.size() / 2 + 1024);
    size_t written = 0;
    EXPECT_EQ(lzma_raw_buffer_encode(filters, nullptr, fws.data() + 8, fws.size() - 8, stream.data(), &written,
                                     stream.size()),
              LZMA_OK);
    stream.resize(written);
    WriteLE32(out.data() + 8, static_cast<uint32_t>(written));
    return Cat(out, stream);
}

Bytes LzmaBody(const Bytes& zws) {
    if (zws.size() < 17 || ReadLE32(zws.data() + 4) < 8) return {};
    // A .lzma file: the 5 property bytes, the 8-byte size, then the stream.
    Bytes alone = Cat(Slice(zws, 12, 5), Bytes(8, 0)), body(ReadLE32(zws.data() + 4) - 8);
    WriteLE32(alone.data() + 5, uint32_t(body.size()));
    alone = Cat(alone, Slice(zws, 17, SIZE_MAX));
    lzma_stream strm = LZMA_STREAM_INIT;
    if (lzma_alone_decoder(&strm, UINT64_MAX) != LZMA_OK) return {};
    strm.next_in = alone.data(), strm.avail_in = alone.size();
    strm.next_out = body.data(), strm.avail_out = body.size();
    lzma_ret ret = lzma_code(&strm, LZMA_FINISH);
    lzma_end(&strm);
    return ret == LZMA_STREAM_END && strm.avail_out == 0 ? body : Bytes();
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace sqztest
