// Turns the fuzzer's bytes into the values our code takes. Raw bytes alone would almost never give a zero,
// an infinity or a coordinate at the edge of the 32-bit range, so each value first reads a byte that says
// what kind of value follows: a raw bit pattern, a small number, or one of the values where code breaks.
// Past the end of the data every read gives zero, so any input is a complete program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace fuzz {

class input {
  public:
    input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return used_ >= size_; }

    std::uint8_t byte() { return used_ < size_ ? data_[used_++] : 0; }

    // Raw bytes, zero-filled past the end.
    void bytes(void* out, std::size_t n) {
        auto* to = static_cast<std::uint8_t*>(out);
        for (std::size_t i = 0; i < n; ++i) {
            to[i] = byte();
        }
    }

    std::uint16_t u16() {
        std::uint16_t v = 0;
        bytes(&v, sizeof v);
        return v;
    }

    std::uint32_t u32() {
        std::uint32_t v = 0;
        bytes(&v, sizeof v);
        return v;
    }

    // 0 .. n-1 (n > 0).
    int below(int n) { return static_cast<int>(byte() % static_cast<unsigned>(n)); }

    double real() {
        static const double special[] = {
            0.0,
            -0.0,
            std::numeric_limits<double>::infinity(),
            -std::numeric_limits<double>::infinity(),
            std::numeric_limits<double>::quiet_NaN(),
            std::numeric_limits<double>::max(),
            -std::numeric_limits<double>::max(),
            std::numeric_limits<double>::min(),
            std::numeric_limits<double>::denorm_min(),
            -std::numeric_limits<double>::denorm_min(),
            std::numeric_limits<double>::epsilon(),
            2147483647.0,
            2147483648.0,
            -2147483648.0,
            -2147483649.0,
            65535.0,
            1e300,
            -1e300,
            1e-300,
        };
        switch (byte() % 4) {
        case 0: {
            double v = 0.0;
            std::uint64_t bits = 0;
            bytes(&bits, sizeof bits);
            std::memcpy(&v, &bits, sizeof v);
            return v;
        }
        case 1:
            return special[byte() % std::size(special)];
        case 2: // a pixel coordinate, the program's usual case
            return static_cast<double>(static_cast<std::int16_t>(u16()));
        default: // a pixel coordinate with a fraction
            return static_cast<double>(static_cast<std::int16_t>(u16())) +
                   static_cast<double>(byte()) / 256.0;
        }
    }

    std::int32_t coordinate() {
        static const std::int32_t special[] = {
            std::numeric_limits<std::int32_t>::min(),
            std::numeric_limits<std::int32_t>::min() + 1,
            std::numeric_limits<std::int32_t>::max(),
            std::numeric_limits<std::int32_t>::max() - 1,
            -1,
            0,
            65535,
            65536,
            -65536,
            1 << 30,
            -(1 << 30),
            46341, // squares past 2^31
            -46341,
        };
        switch (byte() % 4) {
        case 0:
            return static_cast<std::int32_t>(u32());
        case 1:
            return special[byte() % std::size(special)];
        default: // near the drawing area
            return static_cast<std::int32_t>(u16() % 700) - 200;
        }
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t used_ = 0;
};

} // namespace fuzz
