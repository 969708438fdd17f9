// Handles, selection, deletion, stock objects, bitmaps and the live-object count.
#include "gdi_test_support.h"

#include <climits>
#include <vector>

using namespace gdi_test;

namespace {

HDC bad_dc(int kind) {
    static HPEN stale = [] {
        HPEN pen = CreatePen(PS_SOLID, 1, 0);
        DeleteObject(pen);
        return pen;
    }();
    switch (kind) {
    case 0:
        return nullptr;
    case 1:
        return reinterpret_cast<HDC>(stale);
    case 2:
        return reinterpret_cast<HDC>(GetStockObject(WHITE_BRUSH)); // a live object of the wrong kind
    default:
        return reinterpret_cast<HDC>(std::uintptr_t{0x12345});
    }
}

class BadHandle : public ::testing::TestWithParam<int> {};

TEST_P(BadHandle, EveryCallFailsWithoutTouchingAnything) {
    HDC dc = bad_dc(GetParam());
    POINT line[2] = {{0, 0}, {5, 5}};
    RECT rect{0, 0, 4, 4};
    SIZE size{};
    EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), nullptr);
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(CreateCompatibleBitmap(dc, 4, 4), nullptr);
    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
    EXPECT_EQ(SetPixel(dc, 0, 0, 0), CLR_INVALID);
    EXPECT_FALSE(PatBlt(dc, 0, 0, 4, 4, PATCOPY));
    EXPECT_FALSE(Polyline(dc, line, 2));
    EXPECT_FALSE(MoveToEx(dc, 1, 1, nullptr));
    EXPECT_FALSE(LineTo(dc, 1, 1));
    EXPECT_FALSE(Ellipse(dc, 0, 0, 4, 4));
    EXPECT_FALSE(Rectangle(dc, 0, 0, 4, 4));
    EXPECT_FALSE(TextOutA(dc, 0, 0, "x", 1));
    EXPECT_FALSE(GetTextExtentPoint32A(dc, "x", 1, &size));
    EXPECT_EQ(SetTextColor(dc, 0), CLR_INVALID);
    EXPECT_EQ(SetBkColor(dc, 0), CLR_INVALID);
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), 0);
    EXPECT_EQ(FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
    canvas good(4, 4);
    EXPECT_FALSE(BitBlt(dc, 0, 0, 4, 4, good.dc, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(good.dc, 0, 0, 4, 4, dc, 0, 0, SRCCOPY));
    EXPECT_EQ(good.at(0, 0), RGB(255, 255, 255));
    if (GetParam() != 2) { // the wrong-kind handle is a good brush
        EXPECT_EQ(SelectObject(good.dc, reinterpret_cast<HGDIOBJ>(dc)), nullptr);
        EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(dc)));
    }
}

INSTANTIATE_TEST_SUITE_P(NullStaleWrongKindForeign, BadHandle, ::testing::Values(0, 1, 2, 3));

TEST(Selection, NewMemoryDcHoldsStockPenBrushFontAndOneBlackPixel) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, 1, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(dc, 0, 1), CLR_INVALID);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 3, 3);
    EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(SelectObject(dc, GetStockObject(SYSTEM_FONT)), GetStockObject(SYSTEM_FONT));
    HGDIOBJ default_bitmap = SelectObject(dc, bitmap);
    ASSERT_NE(default_bitmap, nullptr);
    // Each selection gives back the object of its own kind that was there before.
    EXPECT_EQ(SelectObject(dc, GetStockObject(NULL_PEN)), pen);
    EXPECT_EQ(SelectObject(dc, GetStockObject(NULL_BRUSH)), brush);
    EXPECT_EQ(SelectObject(dc, default_bitmap), bitmap);
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(Selection, BitmapLivesInOneMemoryDcAtATimeAndNeverInAWindowDc) {
    HDC first = CreateCompatibleDC(nullptr);
    HDC second = CreateCompatibleDC(first);
    HBITMAP bitmap = CreateCompatibleBitmap(first, 2, 2);
    HGDIOBJ original = SelectObject(first, bitmap);
    EXPECT_NE(original, nullptr);
    EXPECT_EQ(SelectObject(first, bitmap), bitmap);
    EXPECT_EQ(SelectObject(second, bitmap), nullptr);
#if !defined(_WIN32)
    platform::pixel_buffer window{2, 2, std::vector<std::uint32_t>(4, 0)};
    HDC window_dc = platform::create_window_dc(&window);
    EXPECT_EQ(SelectObject(window_dc, bitmap), nullptr);
    platform::release_window_dc(window_dc);
#endif
    // The shared default bitmap may sit in any number of memory DCs.
    EXPECT_NE(SelectObject(second, original), nullptr);
    SelectObject(first, original);
    EXPECT_NE(SelectObject(second, bitmap), nullptr);
    DeleteDC(first);
    DeleteDC(second);
    EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(Deletion, SelectedObjectsCannotBeDeletedAndStayUsable) {
    canvas c(8, 8);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 0));
    HGDIOBJ old_pen = SelectObject(c.dc, pen);
    HGDIOBJ old_brush = SelectObject(c.dc, brush);
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(c.bitmap));
    EXPECT_TRUE(PatBlt(c.dc, 0, 0, 8, 8, PATCOPY));
    EXPECT_EQ(c.at(7, 7), RGB(0, 0, 0));
    SelectObject(c.dc, old_pen);
    SelectObject(c.dc, old_brush);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(pen)); // stale now
    EXPECT_EQ(SelectObject(c.dc, brush), nullptr);
}

TEST(Deletion, StockObjectsAndSystemBrushesSurviveDeleteObject) {
    int before = platform::gdi_object_count();
    for (int index : {WHITE_BRUSH, BLACK_BRUSH, NULL_BRUSH, WHITE_PEN, BLACK_PEN, NULL_PEN, SYSTEM_FONT}) {
        HGDIOBJ stock = GetStockObject(index);
        ASSERT_NE(stock, nullptr) << index;
        EXPECT_TRUE(DeleteObject(stock));
        EXPECT_EQ(GetStockObject(index), stock);
    }
    HBRUSH frame = GetSysColorBrush(COLOR_WINDOWFRAME);
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(DeleteObject(frame));
    EXPECT_EQ(GetSysColorBrush(COLOR_WINDOWFRAME), frame);
    canvas c(4, 4);
    selected brush(c.dc, frame, false);
    EXPECT_TRUE(PatBlt(c.dc, 0, 0, 4, 4, PATCOPY));
    EXPECT_EQ(c.at(3, 3), RGB(100, 100, 100));
    EXPECT_EQ(platform::gdi_object_count(), before + 2); // the canvas: its DC and bitmap
    EXPECT_EQ(GetStockObject(-1), nullptr);
    EXPECT_EQ(GetStockObject(1000), nullptr);
}

// Windows 10's default colours, index by index; 25 is unused, so it has no brush.
TEST(SystemColors, DefaultsAndBrushesAgree) {
    const COLORREF windows10[31] = {0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464,
                                    0x000000, 0x000000, 0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xD77800,
                                    0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF,
                                    0x696969, 0xE3E3E3, 0x000000, 0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9,
                                    0xF2E4D7, 0xFF9933, 0xF0F0F0};
    canvas c(2, 2);
    RECT all{0, 0, 2, 2};
    for (int index = 0; index < 31; ++index) {
        EXPECT_EQ(GetSysColor(index), windows10[index]) << index;
        EXPECT_EQ(FillRect(c.dc, &all, GetSysColorBrush(index)), index == 25 ? 0 : 1) << index;
        EXPECT_EQ(c.at(1, 1), index == 25 ? windows10[24] : windows10[index]) << index;
    }
    for (int index : {-1, 31, INT_MAX}) {
        EXPECT_EQ(GetSysColorBrush(index), nullptr) << index;
    }
    EXPECT_EQ(GetSysColor(INT_MIN), 0u);
}

TEST(Deletion, DeleteDcLeavesItsObjectsAlive) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 4, 4);
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    SelectObject(dc, bitmap);
    SelectObject(dc, pen);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_NE(SelectObject(other, bitmap), nullptr); // free to go elsewhere
    EXPECT_NE(SelectObject(other, pen), nullptr);
    DeleteDC(other);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteObject(pen));
}

TEST(Count, AFullHandleTableFailsCleanlyAndRecovers) {
    HDC dc = CreateCompatibleDC(nullptr);
    int before = platform::gdi_object_count();
    std::vector<HPEN> pens;
    HPEN pen;
    while (pens.size() < 100000 && (pen = CreatePen(PS_SOLID, 1, 0)) != nullptr) {
        pens.push_back(pen);
    }
    EXPECT_LT(pens.size(), 100000u); // the table has a limit, and reaching it is no crash
    EXPECT_EQ(CreateCompatibleDC(dc), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(dc, 4, 4), nullptr);
    EXPECT_EQ(CreateSolidBrush(0), nullptr);
    for (HPEN p : pens) {
        EXPECT_TRUE(DeleteObject(p));
    }
    EXPECT_EQ(platform::gdi_object_count(), before);
    DeleteDC(dc);
    canvas c(2, 2);
    EXPECT_EQ(c.at(1, 1), RGB(255, 255, 255));
}

TEST(Bitmaps, ZeroOrNegativeSizeGivesOneMonochromePixel) {
    HDC dc = CreateCompatibleDC(nullptr);
    canvas colour(1, 1);
    for (auto [w, h] :
         {std::pair{0, 0}, std::pair{0, 10}, std::pair{10, 0}, std::pair{-5, 5}, std::pair{INT_MIN, -1}}) {
        HBITMAP bitmap = CreateCompatibleBitmap(colour.dc, w, h);
        ASSERT_NE(bitmap, nullptr) << w << "x" << h;
        HGDIOBJ old = SelectObject(dc, bitmap);
        EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0));
        EXPECT_EQ(GetPixel(dc, 1, 0), CLR_INVALID);
        EXPECT_EQ(GetPixel(dc, 0, 1), CLR_INVALID);
        EXPECT_EQ(SetPixel(dc, 0, 0, RGB(200, 200, 200)), RGB(255, 255, 255));
        SelectObject(dc, old);
        DeleteObject(bitmap);
    }
    DeleteDC(dc);
}

TEST(Bitmaps, HugeSizesFailCleanly) {
    HDC dc = CreateCompatibleDC(nullptr);
    int before = platform::gdi_object_count();
    for (auto [w, h] :
         {std::pair{INT_MAX, INT_MAX}, std::pair{65536, 1}, std::pair{1, 65536}, std::pair{60000, 60000}}) {
        EXPECT_EQ(CreateCompatibleBitmap(dc, w, h), nullptr) << w << "x" << h;
    }
    EXPECT_EQ(platform::gdi_object_count(), before);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 4, 4), nullptr);
    DeleteDC(dc);
}

// Deleted bitmaps' memory serves later ones of their size, up to a bound that two of 64 MiB pass.
TEST(Bitmaps, NewBitmapReadsBlackEvenOnRecycledMemory) {
    for (int side : {33, 33, 33, 4096, 4096}) {
        canvas c(side, side); // white, and drawn over below
        EXPECT_TRUE(SetPixel(c.dc, 5, 5, RGB(1, 2, 3)) != CLR_INVALID);
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP fresh = CreateCompatibleBitmap(dc, side, side);
        HGDIOBJ old = SelectObject(dc, fresh);
        EXPECT_EQ(GetPixel(dc, 5, 5), RGB(0, 0, 0));
        SetPixel(dc, 0, 0, RGB(9, 9, 9)); // forces the pixels to be written
        EXPECT_EQ(GetPixel(dc, side - 1, side - 1), RGB(0, 0, 0));
        EXPECT_EQ(GetPixel(dc, 5, 5), RGB(0, 0, 0));
        SelectObject(dc, old);
        DeleteObject(fresh);
        DeleteDC(dc);
    }
}

TEST(Pens, InvalidDescriptionsMakeNoPen) {
    LOGBRUSH solid{BS_SOLID, 0, 0};
    LOGBRUSH pattern{3 /* BS_PATTERN */, 0, 0};
    DWORD dashes[2] = {2, 2};
    EXPECT_EQ(ExtCreatePen(PS_GEOMETRIC | PS_SOLID, 1, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(ExtCreatePen(PS_COSMETIC | PS_SOLID, 2, &solid, 0, nullptr), nullptr);
    EXPECT_EQ(ExtCreatePen(PS_GEOMETRIC | PS_SOLID, 1, &solid, 2, dashes), nullptr);
    EXPECT_EQ(ExtCreatePen(PS_GEOMETRIC | 7 /* PS_USERSTYLE */, 1, &solid, 0, nullptr), nullptr);
    EXPECT_EQ(ExtCreatePen(PS_GEOMETRIC | PS_SOLID, 1, &pattern, 0, nullptr), nullptr);
    EXPECT_EQ(ExtCreatePen(0x00F00000, 1, &solid, 0, nullptr), nullptr);
    EXPECT_EQ(CreatePen(9, 1, 0), nullptr);
    EXPECT_EQ(CreatePen(-1, 1, 0), nullptr);
    EXPECT_EQ(CreateBrushIndirect(nullptr), nullptr);
    EXPECT_EQ(CreateBrushIndirect(&pattern), nullptr);
    for (int width : {0, 1, -1, INT_MIN, INT_MAX}) {
        HPEN pen = CreatePen(PS_SOLID, width, 0);
        EXPECT_NE(pen, nullptr) << width;
        DeleteObject(pen);
    }
}

#if !defined(_WIN32)
// Our window DCs on a window's client pixels (platform::create_window_dc), which only our layer has: the
// conformance build leaves them out.

TEST(Count, CountsCreatedObjectsButNotStockOrWindowDcs) {
    int before = platform::gdi_object_count();
    platform::pixel_buffer window{4, 4, std::vector<std::uint32_t>(16, 0)};
    HDC window_dc = platform::create_window_dc(&window);
    GetStockObject(BLACK_PEN);
    GetSysColorBrush(COLOR_WINDOW);
    EXPECT_EQ(platform::gdi_object_count(), before);
    HDC dc = CreateCompatibleDC(window_dc);
    HBITMAP bitmap = CreateCompatibleBitmap(window_dc, 4, 4);
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    HBRUSH brush = CreateSolidBrush(0);
    EXPECT_EQ(platform::gdi_object_count(), before + 4);
    DeleteDC(dc);
    DeleteObject(bitmap);
    DeleteObject(pen);
    DeleteObject(brush);
    platform::release_window_dc(window_dc);
    EXPECT_EQ(platform::gdi_object_count(), before);
}

// The program's frame, many times over: nothing may pile up.
TEST(Count, ManyFramesLeaveNothingBehind) {
    platform::pixel_buffer window{64, 40, std::vector<std::uint32_t>(64 * 40, 0)};
    HDC window_dc = platform::create_window_dc(&window);
    int before = platform::gdi_object_count();
    HPEN pen = nullptr;
    for (int frame = 0; frame < 2000; ++frame) {
        HBITMAP bitmap = CreateCompatibleBitmap(window_dc, 64, 40);
        HDC memory = CreateCompatibleDC(window_dc);
        HGDIOBJ old_bitmap = SelectObject(memory, bitmap);
        HGDIOBJ old_brush = SelectObject(memory, GetSysColorBrush(COLOR_WINDOWFRAME));
        BitBlt(memory, 0, 0, 64, 40, nullptr, 0, 0, PATCOPY);
        SelectObject(memory, old_brush);
        HPEN next = geometric_pen(RGB(255, 0, 0));
        HGDIOBJ old_pen = SelectObject(memory, next);
        if (pen) {
            DeleteObject(pen);
        }
        pen = next;
        POINT path[3] = {{1, 1}, {60, 30}, {frame % 64, 39}};
        Polyline(memory, path, 3);
        Ellipse(memory, 10, 10, 20, 20);
        TextOutA(memory, 0, 0, "X 12", 4);
        SelectObject(memory, old_pen);
        BitBlt(window_dc, 0, 0, 64, 40, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old_bitmap);
        DeleteDC(memory);
        DeleteObject(bitmap);
    }
    EXPECT_EQ(platform::gdi_object_count(), before + 1); // the last pen, as the program keeps it
    DeleteObject(pen);
    EXPECT_EQ(platform::gdi_object_count(), before);
    EXPECT_EQ(window.pixels[39 * 64 + 63], 0x646464u); // the frame colour reached the window
    platform::release_window_dc(window_dc);
}

TEST(WindowDc, DrawsIntoTheClientPixelsAndOnlyReleaseEndsIt) {
    EXPECT_EQ(platform::create_window_dc(nullptr), nullptr);
    platform::pixel_buffer window{5, 3, std::vector<std::uint32_t>(15, 0)};
    HDC dc = platform::create_window_dc(&window);
    ASSERT_NE(dc, nullptr);
    HBRUSH brush = CreateSolidBrush(RGB(0x11, 0x22, 0x33));
    EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
    EXPECT_TRUE(PatBlt(dc, 1, 1, 10, 10, PATCOPY));
    EXPECT_EQ(window.pixels[0], 0u);
    EXPECT_EQ(window.pixels[1 * 5 + 1], 0x112233u);
    EXPECT_EQ(window.pixels[2 * 5 + 4], 0x112233u);
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(SelectObject(dc, GetStockObject(WHITE_BRUSH)), brush);
    // A buffer whose words fall short of its stated size is drawn only where the words are.
    window.pixels.resize(7);
    EXPECT_TRUE(PatBlt(dc, 0, 0, 5, 3, WHITENESS));
    EXPECT_EQ(GetPixel(dc, 4, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 0, 1), CLR_INVALID);
    platform::release_window_dc(dc);
    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
    DeleteObject(brush);
}

#endif

} // namespace
