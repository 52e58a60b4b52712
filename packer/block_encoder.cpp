#include "packer/block_encoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "package/package_format.h"
#include "package/wire.h"
#include "packer/block_cost.h"
#include "packer/optimal_parse.h"

namespace voz {

namespace {

constexpr uint32_t kMinMatch = 3;
constexpr uint32_t kHashBits = 15;
constexpr uint32_t kNoPosition = 0xFFFFFFFF;
// Halving a 65,536-byte span 16 times leaves single bytes.
constexpr uint32_t kMaxNesting = 16;

uint32_t Hash3(const uint8_t* p) {
    uint32_t v = LoadLittleEndian24(p);
    return (v * 2654435761u) >> (32 - kHashBits);
}

// Writes bits most significant first, as the decoder reads them.
class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : m_out(out) {}

    // Appends the low `bits` bits of value (at most 32).
    void Put(uint32_t value, uint32_t bits) {
        if (bits == 0) {
            return;
        }
        m_acc = (m_acc << bits) | (value & (0xFFFFFFFFu >> (32 - bits)));
        m_count += bits;
        while (m_count >= 8) {
            m_count -= 8;
            m_out.push_back(static_cast<uint8_t>(m_acc >> m_count));
        }
    }

    void Flush() {
        if (m_count != 0) {
            m_out.push_back(static_cast<uint8_t>(m_acc << (8 - m_count)));
            m_acc = 0;
            m_count = 0;
        }
    }

private:
    std::vector<uint8_t>& m_out;
    uint64_t m_acc = 0;  // the low m_count bits are pending
    uint32_t m_count = 0;
};

void PutLiteral(BitWriter& w, uint8_t byte) { w.Put(byte, kLiteralBits); }

void PutMatch(BitWriter& w, uint32_t produced, uint32_t offset, uint32_t length) {
    w.Put(1, 1);
    uint32_t k = LengthPrefix(length);
    w.Put((1u << k) - 1, k);  // k ones
    w.Put(0, 1);
    if (k != 0) {
        w.Put(length - (1u << k) - 1, k);
    }
    w.Put(offset, OffsetBits(produced));
}

class MatchFinder {
public:
    MatchFinder(const uint8_t* data, uint32_t size, int depth)
        : m_data(data),
          m_size(size),
          m_depth(depth),
          m_head(new uint32_t[1u << kHashBits]),
          m_prev(new uint32_t[size]) {
        std::fill_n(m_head.get(), 1u << kHashBits, kNoPosition);
    }

    void Insert(uint32_t pos) {
        if (pos + kMinMatch > m_size) {
            return;
        }
        uint32_t h = Hash3(m_data + pos);
        m_prev[pos] = m_head[h];
        m_head[h] = pos;
    }

    // Longest earlier match at pos; length 0 when none of kMinMatch bytes exists.
    uint32_t Find(uint32_t pos, uint32_t& offset) const {
        uint32_t best = 0;
        if (pos + kMinMatch > m_size) {
            return 0;
        }
        uint32_t limit = m_size - pos;
        const uint8_t* cur = m_data + pos;
        uint32_t candidate = m_head[Hash3(cur)];
        for (int chain = m_depth; candidate != kNoPosition && chain > 0; --chain, candidate = m_prev[candidate]) {
            const uint8_t* ref = m_data + candidate;
            if (ref[best] != cur[best] || ref[0] != cur[0]) {
                continue;
            }
            uint32_t len = 0;
            while (len < limit && ref[len] == cur[len]) {
                ++len;
            }
            if (len > best) {
                best = len;
                offset = candidate;
                if (len == limit) {
                    break;
                }
            }
        }
        return best >= kMinMatch ? best : 0;
    }

private:
    const uint8_t* m_data;
    uint32_t m_size;
    int m_depth;
    std::unique_ptr<uint32_t[]> m_head;
    std::unique_ptr<uint32_t[]> m_prev;
};

// Compresses into payload; false when the result would not be smaller than the input.
bool CompressBlockGreedy(const uint8_t* data, uint32_t size, std::vector<uint8_t>& payload,
                         const EncoderOptions& options) {
    payload.clear();
    payload.reserve(size);
    BitWriter w(payload);
    MatchFinder finder(data, size, options.chainDepth);
    uint32_t pos = 0;
    while (pos < size) {
        if (payload.size() >= size) {
            return false;
        }
        uint32_t offset = 0;
        // The first byte of a block has nothing to refer to.
        uint32_t length = pos == 0 ? 0 : finder.Find(pos, offset);
        finder.Insert(pos);
        if (length == 0) {
            PutLiteral(w, data[pos++]);
            continue;
        }
        // One step of lazy evaluation: when a longer match starts one byte
        // later, this byte goes out as a literal and that match is taken next.
        uint32_t laterOffset = 0;
        if (pos + 1 < size && finder.Find(pos + 1, laterOffset) > length) {
            PutLiteral(w, data[pos++]);
            continue;
        }
        PutMatch(w, pos, offset, length);
        for (uint32_t p = pos + 1; p < pos + length; ++p) {
            finder.Insert(p);
        }
        pos += length;
    }
    w.Flush();
    return payload.size() < size;
}

// The best level's tables (a few MiB), kept by each thread from span to span.
struct OptimalWorkspace {
    LongestMatchFinder finder;
    OptimalParser parser;
    // [d]: the parse of the block that starts a span's d-th nested right half
    // on the way to the current block; every left half shares its parent's parse.
    std::vector<ParsedPrefixes> parses = std::vector<ParsedPrefixes>(kMaxNesting + 1);
    std::vector<Token> tokens;
    std::vector<uint8_t> payload;
};

OptimalWorkspace& ThreadWorkspace() {
    thread_local OptimalWorkspace workspace;
    return workspace;
}

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t bytes[2];
    StoreLittleEndian16(bytes, static_cast<uint16_t>(v));
    out.insert(out.end(), bytes, bytes + 2);
}

// Appends data as a framed block: compressed when the payload is smaller than
// the data, else plain (equal raw and stored sizes).
void PutFramed(const uint8_t* data, uint32_t size, const std::vector<uint8_t>* payload, std::vector<uint8_t>& out) {
    // The raw size field holds 0 for a full 65,536-byte block.
    uint32_t rawField = size & 0xFFFF;
    PutU16(out, rawField);
    if (payload != nullptr) {
        PutU16(out, static_cast<uint32_t>(payload->size()));
        out.insert(out.end(), payload->begin(), payload->end());
        return;
    }
    PutU16(out, rawField);
    out.insert(out.end(), data, data + size);
}

// Stored bytes of the block data[0, size) whose tokens take `bits`, header included.
uint64_t FramedSize(uint64_t bits, uint32_t size) {
    return kBlockHeaderSize + std::min<uint64_t>((bits + 7) / 8, size);
}

// Appends data[0, size) as one block, with the tokens that parsed chose for that prefix.
void PutParsedBlock(const uint8_t* data, uint32_t size, const ParsedPrefixes& parsed, std::vector<uint8_t>& out) {
    if ((parsed.Bits(size) + 7) / 8 >= size) {
        PutFramed(data, size, nullptr, out);
        return;
    }
    OptimalWorkspace& ws = ThreadWorkspace();
    parsed.Tokens(size, ws.tokens);
    ws.payload.clear();
    BitWriter w(ws.payload);
    uint32_t produced = 0;
    for (const Token& t : ws.tokens) {
        if (t.length == 1) {
            PutLiteral(w, data[produced]);
        } else {
            PutMatch(w, produced, t.source, t.length);
        }
        produced += t.length;
    }
    w.Flush();
    PutFramed(data, size, &ws.payload, out);
}

// Encodes [begin, end) of the indexed window as one block or as its two
// halves (each encoded the same way), whichever stores fewer bytes. parsed is
// the parse of the block that starts at begin, `nesting` right halves deep;
// it covers at least [begin, end), and a prefix of it is the left half's parse.
void EncodeIndexedSpan(const uint8_t* window, uint32_t begin, uint32_t end, uint32_t nesting,
                       const ParsedPrefixes& parsed, const EncoderOptions& options, std::vector<uint8_t>& out) {
    const uint8_t* data = window + begin;
    uint32_t size = end - begin;
    uint32_t half = size / 2;
    if (options.smallestSplit == 0 || half < std::max(options.smallestSplit, 2u) || nesting == kMaxNesting) {
        PutParsedBlock(data, size, parsed, out);
        return;
    }
    std::vector<uint8_t> halves;
    EncodeIndexedSpan(window, begin, begin + half, nesting, parsed, options, halves);
    OptimalWorkspace& ws = ThreadWorkspace();
    ParsedPrefixes& right = ws.parses[nesting + 1];
    ws.parser.Parse(ws.finder.Find(begin + half, end, nesting + 1), right, options.matchPenalty);
    EncodeIndexedSpan(window, begin + half, end, nesting + 1, right, options, halves);
    // On a tie the single block stays: fewer blocks to frame and decode.
    if (halves.size() < FramedSize(parsed.Bits(size), size)) {
        out.insert(out.end(), halves.begin(), halves.end());
        return;
    }
    PutParsedBlock(data, size, parsed, out);
}

// Indexes data[0, size) and parses it as a block from its start.
const ParsedPrefixes& ParseWindow(const uint8_t* data, uint32_t size, uint32_t matchPenalty) {
    OptimalWorkspace& ws = ThreadWorkspace();
    ws.finder.Index(data, size);
    ws.parser.Parse(ws.finder.Find(0, size), ws.parses[0], matchPenalty);
    return ws.parses[0];
}

}  // namespace

void EncodeBlock(const uint8_t* data, uint32_t size, std::vector<uint8_t>& out, const EncoderOptions& options) {
    if (options.level == EncoderLevel::kBest) {
        PutParsedBlock(data, size, ParseWindow(data, size, options.matchPenalty), out);
        return;
    }
    std::vector<uint8_t> payload;
    bool compressed = size != 0 && CompressBlockGreedy(data, size, payload, options);
    PutFramed(data, size, compressed ? &payload : nullptr, out);
}

void EncodeSpan(const uint8_t* data, uint32_t size, std::vector<uint8_t>& out, const EncoderOptions& options) {
    if (options.level != EncoderLevel::kBest) {
        EncodeBlock(data, size, out, options);
        return;
    }
    // One suffix sort of the span serves every block tried inside it.
    EncodeIndexedSpan(data, 0, size, 0, ParseWindow(data, size, options.matchPenalty), options, out);
}

std::vector<uint8_t> EncodeSequence(const uint8_t* data, size_t size, const EncoderOptions& options) {
    std::vector<uint8_t> out;
    for (size_t pos = 0; pos < size; pos += kLargestBlock) {
        auto n = static_cast<uint32_t>(std::min<size_t>(kLargestBlock, size - pos));
        EncodeSpan(data + pos, n, out, options);
    }
    return out;
}

uint64_t OptimalSequenceSize(const uint8_t* data, size_t size) {
    uint64_t total = 0;
    for (size_t pos = 0; pos < size; pos += kLargestBlock) {
        auto n = static_cast<uint32_t>(std::min<size_t>(kLargestBlock, size - pos));
        total += FramedSize(ParseWindow(data + pos, n, 0).Bits(n), n);
    }
    return total;
}

}  // namespace voz
