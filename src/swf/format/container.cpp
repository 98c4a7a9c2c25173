#include "swf/format/container.h"

#include "swf/format/byte_reader.h"
#include "swf/format/limits.h"

#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <string>

namespace swf {
namespace {

using veskor::makeError;

constexpr std::size_t kSignatureSize = 8;

struct Inflated {
    Bytes data;
    bool complete = false;
};

// Inflates up to `wanted` bytes. Data that stops early (a truncated file)
// gives what was decoded so far; only data that yields nothing is an error.
veskor::Result<Inflated> inflateZlib(std::span<const std::uint8_t> in, std::size_t wanted)
{
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        return makeError("The compressed movie could not be opened (zlib).");
    Inflated out;
    out.data.resize(std::min<std::size_t>(wanted, std::max<std::size_t>(in.size() * 4, 1 << 16)));
    zs.next_in = const_cast<Bytef*>(in.data());
    std::size_t inLeft = in.size();
    std::size_t produced = 0;
    int rc = Z_OK;
    while (produced < wanted) {
        if (produced == out.data.size())
            out.data.resize(std::min(wanted, out.data.size() * 2));
        const std::size_t inChunk = std::min<std::size_t>(inLeft, 1u << 30);
        const std::size_t outChunk = std::min<std::size_t>(out.data.size() - produced, 1u << 30);
        zs.avail_in = uInt(inChunk);
        zs.next_out = out.data.data() + produced;
        zs.avail_out = uInt(outChunk);
        rc = inflate(&zs, Z_NO_FLUSH);
        const std::size_t consumed = inChunk - zs.avail_in;
        inLeft -= consumed;
        produced += outChunk - zs.avail_out;
        if (rc == Z_STREAM_END || (rc != Z_OK && rc != Z_BUF_ERROR))
            break;
        if (rc == Z_BUF_ERROR && inLeft == 0)
            break;
        if (consumed == 0 && outChunk == zs.avail_out && inLeft == 0)
            break;
    }
    inflateEnd(&zs);
    out.data.resize(produced);
    out.complete = produced >= wanted;
    if (produced == 0 && wanted > 0)
        return makeError(rc == Z_DATA_ERROR || rc == Z_NEED_DICT || inLeft > 0
                             ? "The compressed movie data is damaged (zlib)."
                             : "The movie is truncated: its compressed data ends too early.");
    return out;
}

veskor::Result<Inflated> inflateLzma(std::span<const std::uint8_t> properties, std::span<const std::uint8_t> in,
                                     std::size_t wanted)
{
    // liblzma's .lzma decoder wants the properties followed by a 64-bit size;
    // "unknown" lets both streams with and without an end marker decode.
    std::uint8_t header[13];
    std::copy(properties.begin(), properties.end(), header);
    std::fill(header + 5, header + 13, 0xFF);

    lzma_stream ls = LZMA_STREAM_INIT;
    if (lzma_alone_decoder(&ls, limits::kMaxLzmaMemory) != LZMA_OK)
        return makeError("The compressed movie could not be opened (LZMA).");
    Inflated out;
    out.data.resize(std::min<std::size_t>(wanted, std::max<std::size_t>(in.size() * 4, 1 << 16)));
    std::size_t produced = 0;
    lzma_ret rc = LZMA_OK;
    ls.next_in = header;
    ls.avail_in = sizeof header;
    // Feed the synthetic header first, then the data.
    bool dataFed = false;
    while (produced < wanted) {
        if (ls.avail_in == 0 && !dataFed) {
            ls.next_in = in.data();
            ls.avail_in = in.size();
            dataFed = true;
        }
        if (produced == out.data.size())
            out.data.resize(std::min(wanted, out.data.size() * 2));
        ls.next_out = out.data.data() + produced;
        ls.avail_out = out.data.size() - produced;
        const std::size_t before = ls.avail_out;
        rc = lzma_code(&ls, dataFed ? LZMA_FINISH : LZMA_RUN);
        produced += before - ls.avail_out;
        if (rc != LZMA_OK)
            break;
        if (dataFed && ls.avail_in == 0 && before == ls.avail_out)
            break;
    }
    lzma_end(&ls);
    out.data.resize(produced);
    out.complete = produced >= wanted;
    if (produced == 0 && wanted > 0)
        return makeError(rc == LZMA_MEMLIMIT_ERROR ? "The compressed movie needs too much memory to open (LZMA)."
                         : rc == LZMA_OK || rc == LZMA_BUF_ERROR
                             ? "The movie is truncated: its compressed data ends too early."
                             : "The compressed movie data is damaged (LZMA).");
    return out;
}

struct Prelude {
    Compression compression;
    std::uint8_t version;
    std::uint32_t fileLength;
};

veskor::Result<Prelude> readPrelude(std::span<const std::uint8_t> file)
{
    if (file.empty())
        return makeError("The file is empty.");
    if (file.size() < 3)
        return makeError("The file is not a Flash movie.");
    Prelude p{};
    const std::string sig(reinterpret_cast<const char*>(file.data()), 3);
    if (sig == "FWS")
        p.compression = Compression::None;
    else if (sig == "CWS")
        p.compression = Compression::Zlib;
    else if (sig == "ZWS")
        p.compression = Compression::Lzma;
    else
        return makeError("The file is not a Flash movie.");
    if (file.size() < kSignatureSize)
        return makeError("The movie is truncated: its header is incomplete.");
    ByteReader r(file.subspan(3, 5));
    p.version = r.u8();
    p.fileLength = r.u32();
    if (p.fileLength < kSignatureSize)
        return makeError("The movie's header is damaged (impossible length).");
    if (p.fileLength > limits::kMaxMovieSize)
        return makeError("The movie is too large to open (" + std::to_string(p.fileLength / (1024 * 1024))
                         + " MiB uncompressed).");
    return p;
}

// Body = the bytes after the 8-byte signature, decompressed, up to `wanted`.
veskor::Result<Inflated> readBody(const Prelude& p, std::span<const std::uint8_t> file, std::size_t wanted)
{
    const auto after = file.subspan(kSignatureSize);
    switch (p.compression) {
    case Compression::None: {
        Inflated out;
        const std::size_t n = std::min(wanted, after.size());
        out.data.assign(after.begin(), after.begin() + std::ptrdiff_t(n));
        out.complete = n >= wanted;
        return out;
    }
    case Compression::Zlib:
        return inflateZlib(after, wanted);
    case Compression::Lzma: {
        if (after.size() < 9)
            return makeError("The movie is truncated: its header is incomplete.");
        ByteReader r(after);
        const std::uint32_t compressedLength = r.u32();
        const auto properties = r.take(5);
        auto data = after.subspan(9);
        // The compressed length is advisory: some writers count differently.
        if (compressedLength > 0 && compressedLength < data.size())
            data = data.first(compressedLength);
        return inflateLzma(properties, data, wanted);
    }
    }
    return makeError("The file is not a Flash movie.");
}

veskor::Result<Header> parseHeaderFields(const Prelude& p, ByteReader& r)
{
    Header h;
    h.compression = p.compression;
    h.version = p.version;
    h.fileLength = p.fileLength;
    h.frameSize = r.rect();
    h.frameRate88 = r.u16();
    h.frameCount = r.u16();
    if (r.failed())
        return makeError("The movie is truncated: its header is incomplete.");
    return h;
}

} // namespace

veskor::Result<Container> openContainer(std::span<const std::uint8_t> file)
{
    const Prelude p = TRY(readPrelude(file));
    Inflated body = TRY(readBody(p, file, p.fileLength - kSignatureSize));
    ByteReader r(body.data);
    Container c;
    c.header = TRY(parseHeaderFields(p, r));
    c.truncated = !body.complete;
    c.loadedLength = std::uint32_t(kSignatureSize + body.data.size());
    const std::size_t start = r.position();
    c.tagData.assign(body.data.begin() + std::ptrdiff_t(start), body.data.end());
    return c;
}

veskor::Result<Header> readHeader(std::span<const std::uint8_t> file)
{
    const Prelude p = TRY(readPrelude(file));
    // The largest RECT is 17 bytes, then four bytes of rate and count.
    const std::size_t wanted = std::min<std::size_t>(p.fileLength - kSignatureSize, 21);
    Inflated body = TRY(readBody(p, file, wanted));
    ByteReader r(body.data);
    return parseHeaderFields(p, r);
}

} // namespace swf
