// Our one font: a fixed 8 x 16 bitmap font covering printable ASCII, the size of the Windows system font.
#pragma once

namespace platform::gdi {

constexpr int font_cell_width = 8;
constexpr int font_cell_height = 16;
constexpr int font_first_char = 0x20;
constexpr int font_last_char = 0x7E;
// Glyphs 0x20..0x7E, then the glyph drawn for every other character.
constexpr int font_glyph_count = font_last_char - font_first_char + 2;
constexpr int font_missing_glyph = font_glyph_count - 1;

extern const unsigned char font_glyphs[font_glyph_count][font_cell_height];

} // namespace platform::gdi
