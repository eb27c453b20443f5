#include "tools/datagen/font.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int kGlyphColumns = 5;
constexpr int kGlyphRows = 9; // 7 above the baseline, 2 for descenders
constexpr float kAdvance = 6.0f;
constexpr int kMaxStrokes = 96;

struct Glyph {
    char code;
    const char* rows; // kGlyphRows rows of kGlyphColumns, '#' for a dot
};

// Rows are given without the blank descender rows where a glyph has none.
const Glyph kGlyphs[] = {
    {'a', "...........###.....#.#####...#.####"},
    {'b', "#....#....####.#...##...##...#####."},
    {'c', "...........#####....#....#.....####"},
    {'d', "....#....#.#####...##...##...#.####"},
    {'e', "...........###.#...#######.....###."},
    {'f', "..##..#...####..#....#....#....#..."},
    {'g', "...........#####...##...#.####....#.###."},
    {'h', "#....#....####.#...##...##...##...#"},
    {'i', "..#........##....#....#....#...###."},
    {'j', "...#........##....#....#....#....#.#..#..##.."},
    {'k', "#....#....#..#.#.#..##...#.#..#..#."},
    {'l', ".##....#....#....#....#....#...###."},
    {'m', "..........##.#.#.#.##.#.##.#.##.#.#"},
    {'n', "..........####.#...##...##...##...#"},
    {'o', "...........###.#...##...##...#.###."},
    {'p', "..........####.#...##...#####.#....#...."},
    {'q', "...........#####...##...#.####....#....#"},
    {'r', "..........#.##.##..##....#....#...."},
    {'s', "...........#####.....###.....#####."},
    {'t', ".#....#...####..#....#....#..#..##."},
    {'u', "..........#...##...##...##..##.##.#"},
    {'v', "..........#...##...##...#.#.#...#.."},
    {'w', "..........#...##...##.#.##.#.#.#.#."},
    {'x', "..........#...#.#.#...#...#.#.#...#"},
    {'y', "..........#...##...##...#.####....#.###."},
    {'z', "..........#####...#...#...#...#####"},
    {'A', ".###.#...##...#######...##...##...#"},
    {'B', "####.#...##...#####.#...##...#####."},
    {'C', ".###.#...##....#....#....#...#.###."},
    {'D', "####.#...##...##...##...##...#####."},
    {'E', "######....#....####.#....#....#####"},
    {'F', "######....#....####.#....#....#...."},
    {'G', ".###.#...##....#.####...##...#.####"},
    {'H', "#...##...##...#######...##...##...#"},
    {'I', ".###...#....#....#....#....#...###."},
    {'J', "..###...#....#....#....#.#..#..##.."},
    {'K', "#...##..#.#.#..##...#.#..#..#.#...#"},
    {'L', "#....#....#....#....#....#....#####"},
    {'M', "#...###.###.#.##.#.##...##...##...#"},
    {'N', "#...##...###..##.#.##..###...##...#"},
    {'O', ".###.#...##...##...##...##...#.###."},
    {'P', "####.#...##...#####.#....#....#...."},
    {'Q', ".###.#...##...##...##.#.##..#..##.#"},
    {'R', "####.#...##...#####.#.#..#..#.#...#"},
    {'S', ".#####....#.....###.....#....#####."},
    {'T', "#####..#....#....#....#....#....#.."},
    {'U', "#...##...##...##...##...##...#.###."},
    {'V', "#...##...##...##...##...#.#.#...#.."},
    {'W', "#...##...##...##.#.##.#.##.#.#.#.#."},
    {'X', "#...##...#.#.#...#...#.#.#...##...#"},
    {'Y', "#...##...#.#.#...#....#....#....#.."},
    {'Z', "#####....#...#...#...#...#....#####"},
    {'0', ".###.#...##..###.#.###..##...#.###."},
    {'1', "..#...##....#....#....#....#...###."},
    {'2', ".###.#...#....#...#...#...#...#####"},
    {'3', "#####...#...#.....#.....##...#.###."},
    {'4', "...#...##..#.#.#..#.#####...#....#."},
    {'5', "######....####.....#....##...#.###."},
    {'6', "..##..#...#....####.#...##...#.###."},
    {'7', "#####....#...#...#...#....#....#..."},
    {'8', ".###.#...##...#.###.#...##...#.###."},
    {'9', ".###.#...##...#.####....#...#..##.."},
    {':', ".....######..........##....##......"},
    {'.', "..........................##...##.."},
    {',', "..........................##...##....#...#..."},
    {'-', "...............###................."},
    {'!', "..#....#....#....#....#.........#.."},
    {'\'', "..#....#...#......................."},
    {'/', "....#...#....#...#...#....#...#...."},
    {'&', ".##..#..#.#.#...#...#.#.##..#..##.#"},
    {'+', ".......#....#..#####..#....#......."},
};

const char* GlyphRows(char code) {
    for (const Glyph& g : kGlyphs)
        if (g.code == code) return g.rows;
    return nullptr;
}

bool DotAt(const char* rows, int col, int row) {
    if (col < 0 || col >= kGlyphColumns || row < 0 || row >= kGlyphRows) return false;
    size_t index = static_cast<size_t>(row) * kGlyphColumns + col;
    return index < std::strlen(rows) && rows[index] == '#';
}

struct Stroke {
    float x0, y0, x1, y1; // in dots
};

// Every dot is a stroke of length 0; neighbours are joined, diagonals only where no corner
// dot already joins them (so diagonals stay thin).
int GlyphStrokes(const char* rows, Stroke* out) {
    int n = 0;
    for (int row = 0; row < kGlyphRows; ++row)
        for (int col = 0; col < kGlyphColumns; ++col) {
            if (!DotAt(rows, col, row) || n + 4 > kMaxStrokes) continue;
            float x = static_cast<float>(col), y = static_cast<float>(row);
            out[n++] = {x, y, x, y};
            if (DotAt(rows, col + 1, row)) out[n++] = {x, y, x + 1, y};
            if (DotAt(rows, col, row + 1)) out[n++] = {x, y, x, y + 1};
            if (DotAt(rows, col + 1, row + 1) && !DotAt(rows, col + 1, row) &&
                !DotAt(rows, col, row + 1))
                out[n++] = {x, y, x + 1, y + 1};
            if (DotAt(rows, col - 1, row + 1) && !DotAt(rows, col - 1, row) &&
                !DotAt(rows, col, row + 1))
                out[n++] = {x, y, x - 1, y + 1};
        }
    return n;
}

float SegmentDistance(float px, float py, const Stroke& s) {
    float dx = s.x1 - s.x0, dy = s.y1 - s.y0;
    float len2 = dx * dx + dy * dy;
    float t = len2 > 0 ? ((px - s.x0) * dx + (py - s.y0) * dy) / len2 : 0;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    float ex = px - (s.x0 + dx * t), ey = py - (s.y0 + dy * t);
    return std::sqrt(ex * ex + ey * ey);
}

void DrawGlyph(Picture* pic, const char* rows, float left, float top, const TextStyle& style) {
    Stroke strokes[kMaxStrokes];
    int count = GlyphStrokes(rows, strokes);
    float sx = style.cell * style.xScale, sy = style.cell;
    // Dot centres sit half a dot in from the cell's corner.
    int x0 = static_cast<int>(std::floor(left - sx)), x1 = static_cast<int>(left + sx * 6);
    int y0 = static_cast<int>(std::floor(top - sy)), y1 = static_cast<int>(top + sy * 10);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            float dx = (x + 0.5f - left) / sx - 0.5f, dy = (y + 0.5f - top) / sy - 0.5f;
            float best = 1e9f;
            for (int i = 0; i < count; ++i) {
                float d = SegmentDistance(dx, dy, strokes[i]);
                if (d < best) best = d;
            }
            // One pixel of soft edge, measured in dots.
            float edge = 1.0f / sy;
            float coverage = Clamp01((style.weight - best) / edge + 0.5f);
            BlendPixel(pic, x, y, style.r, style.g, style.b, style.a, coverage);
        }
}

} // namespace

float TextWidth(const char* text, const TextStyle& style) {
    size_t n = std::strlen(text);
    if (n == 0) return 0;
    return (static_cast<float>(n) * kAdvance - 1.0f) * style.cell * style.xScale;
}

void DrawText(Picture* pic, const char* text, float x, float y, const TextStyle& style) {
    for (const char* c = text; *c; ++c) {
        const char* rows = GlyphRows(*c);
        if (rows) DrawGlyph(pic, rows, x, y, style);
        x += kAdvance * style.cell * style.xScale;
    }
}

void DrawTextCentred(Picture* pic, const char* text, float cx, float y, const TextStyle& style) {
    DrawText(pic, text, cx - TextWidth(text, style) * 0.5f, y, style);
}
