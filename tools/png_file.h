// Whole frames as PNG files, through libpng: the screenshot tool writes them, the golden-frame test writes
// and reads them. Not part of the program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace png_file {

// Pixels as 0x00RRGGBB words, row by row from the top, like our GDI's pixel buffers.
struct image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// Writes an 8-bit PNG, compressed; a frame of at most 256 colours (every frame of the program) as a palette
// image, a quarter of the size. Returns an empty string, or why the file could not be written.
std::string write(const std::string& path, const image& frame);

// Reads any PNG that libpng reads, as 8-bit RGB; an empty string, or why it could not be read.
std::string read(const std::string& path, image& frame);

} // namespace png_file
