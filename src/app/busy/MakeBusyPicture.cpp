// Draws the busy picture of the main window and writes it as an animated GIF:
// 85 x 81 pixels, 8 frames of 60 ms, looping for ever. Eight dots on a ring;
// the bright one moves a step per frame and the others fade behind it.
//
//   make_busy_picture OUTPUT.gif
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int Width = 85;
constexpr int Height = 81;
constexpr int Frames = 8;
constexpr int DelayCentiseconds = 6;

struct Rgb {
    std::uint8_t r, g, b;
};
// Index 0 is transparent; its colour is the window background the edges were
// blended against. Indexes 1..255 run from that background to banyan green.
constexpr Rgb Matte{0xEF, 0xEF, 0xEF};
constexpr Rgb Ink{0x1F, 0x7A, 0x4D};

std::vector<std::uint8_t> drawFrame(int frame) {
    const double cx = (Width - 1) / 2.0;
    const double cy = (Height - 1) / 2.0;
    const double ring = 28.0;
    const double dotRadius = 7.5;
    static constexpr std::array<double, Frames> trail{1.0, 0.78, 0.6, 0.46, 0.36, 0.28, 0.22, 0.18};
    std::vector<double> ink(static_cast<std::size_t>(Width * Height), 0.0);
    for (int dot = 0; dot < Frames; ++dot) {
        const double angle = -std::numbers::pi / 2 + dot * 2 * std::numbers::pi / Frames;
        const double dx = cx + ring * std::cos(angle);
        const double dy = cy + ring * std::sin(angle);
        const double strength = trail[static_cast<std::size_t>((frame - dot + Frames) % Frames)];
        for (int y = 0; y < Height; ++y) {
            for (int x = 0; x < Width; ++x) {
                // Area coverage of the pixel, approximated by the distance to the edge.
                const double distance = std::hypot(x - dx, y - dy);
                const double coverage = std::clamp(dotRadius + 0.5 - distance, 0.0, 1.0);
                double& cell = ink[static_cast<std::size_t>(y * Width + x)];
                cell = std::max(cell, coverage * strength);
            }
        }
    }
    std::vector<std::uint8_t> indexes(ink.size());
    for (std::size_t i = 0; i < ink.size(); ++i)
        indexes[i] = ink[i] <= 0.0 ? 0 : static_cast<std::uint8_t>(std::clamp(std::lround(ink[i] * 255), 1L, 255L));
    return indexes;
}

class BitWriter {
public:
    void put(int code, int bits) {
        m_accumulator |= static_cast<std::uint32_t>(code) << m_count;
        m_count += bits;
        while (m_count >= 8) {
            m_bytes.push_back(static_cast<std::uint8_t>(m_accumulator & 0xFF));
            m_accumulator >>= 8;
            m_count -= 8;
        }
    }
    std::vector<std::uint8_t> finish() {
        if (m_count > 0) m_bytes.push_back(static_cast<std::uint8_t>(m_accumulator & 0xFF));
        m_accumulator = 0;
        m_count = 0;
        return std::move(m_bytes);
    }

private:
    std::uint32_t m_accumulator = 0;
    int m_count = 0;
    std::vector<std::uint8_t> m_bytes;
};

// GIF's variable-length LZW over 8-bit pixels, code width growing from 9 to 12
// bits and a clear code when the table is full.
std::vector<std::uint8_t> compress(const std::vector<std::uint8_t>& pixels) {
    constexpr int MinCodeSize = 8;
    constexpr int ClearCode = 1 << MinCodeSize;
    constexpr int EndCode = ClearCode + 1;
    constexpr int MaxCode = 4095;
    BitWriter out;
    std::map<std::uint32_t, int> table;
    int bits = MinCodeSize + 1;
    int nextCode = EndCode + 1;
    auto emit = [&](int code) {
        out.put(code, bits);
        if (nextCode >= (1 << bits) && bits < 12) ++bits;
    };
    emit(ClearCode);
    int current = pixels.front();
    for (std::size_t i = 1; i < pixels.size(); ++i) {
        const int pixel = pixels[i];
        const std::uint32_t key = (static_cast<std::uint32_t>(current) << 8) | static_cast<std::uint32_t>(pixel);
        if (auto found = table.find(key); found != table.end()) {
            current = found->second;
            continue;
        }
        emit(current);
        current = pixel;
        if (nextCode >= MaxCode) {
            emit(ClearCode);
            table.clear();
            bits = MinCodeSize + 1;
            nextCode = EndCode + 1;
        } else {
            table.emplace(key, nextCode++);
        }
    }
    emit(current);
    emit(EndCode);
    return out.finish();
}

void put16(std::string& gif, int value) {
    gif.push_back(static_cast<char>(value & 0xFF));
    gif.push_back(static_cast<char>((value >> 8) & 0xFF));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.gif\n", argv[0]);
        return 2;
    }
    std::string gif = "GIF89a";
    put16(gif, Width);
    put16(gif, Height);
    gif.push_back(static_cast<char>(0xF7));  // global colour table of 256 entries
    gif.push_back(0);                        // background colour index
    gif.push_back(0);                        // square pixels
    for (int i = 0; i < 256; ++i) {
        const double t = i / 255.0;
        auto mix = [t](std::uint8_t from, std::uint8_t to) {
            return static_cast<char>(std::lround(from + (to - from) * t));
        };
        gif.push_back(mix(Matte.r, Ink.r));
        gif.push_back(mix(Matte.g, Ink.g));
        gif.push_back(mix(Matte.b, Ink.b));
    }
    // Loop for ever.
    gif += std::string("\x21\xFF\x0B" "NETSCAPE2.0" "\x03\x01\x00\x00\x00", 19);
    for (int frame = 0; frame < Frames; ++frame) {
        // Graphic control: restore to background, transparent index 0, 60 ms.
        gif += std::string("\x21\xF9\x04\x09", 4);
        put16(gif, DelayCentiseconds);
        gif.push_back(0);
        gif.push_back(0);
        gif.push_back(0x2C);
        put16(gif, 0);
        put16(gif, 0);
        put16(gif, Width);
        put16(gif, Height);
        gif.push_back(0);
        gif.push_back(8);  // minimum code size
        const std::vector<std::uint8_t> data = compress(drawFrame(frame));
        for (std::size_t at = 0; at < data.size(); at += 255) {
            const std::size_t block = std::min<std::size_t>(255, data.size() - at);
            gif.push_back(static_cast<char>(block));
            gif.append(reinterpret_cast<const char*>(data.data() + at), block);
        }
        gif.push_back(0);
    }
    gif.push_back(0x3B);
    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file) {
        std::perror(argv[1]);
        return 1;
    }
    const bool ok = std::fwrite(gif.data(), 1, gif.size(), file) == gif.size();
    return (std::fclose(file) == 0 && ok) ? 0 : 1;
}
