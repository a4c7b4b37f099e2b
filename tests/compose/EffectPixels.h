// Small BGRA pictures for the effect tests, written and read pixel by pixel.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <vector>

namespace qv::test
{

struct tagQVBgra
{
    uint8_t b, g, r, a;
    bool operator==(const tagQVBgra& o) const
    {
        return b == o.b && g == o.g && r == o.r && a == o.a;
    }
};

inline void PrintTo(const tagQVBgra& p, std::ostream* os)
{
    *os << "(b " << int(p.b) << ", g " << int(p.g) << ", r " << int(p.r) << ", a " << int(p.a)
        << ")";
}

// A picture of nWidth × nHeight in memory order, stride nWidth × 4.
class CQVPixels
{
public:
    CQVPixels(int nWidth, int nHeight, tagQVBgra fill = {0, 0, 0, 255})
        : m_nWidth(nWidth), m_bytes(size_t(nWidth) * nHeight * 4)
    {
        for (size_t i = 0; i < m_bytes.size(); i += 4)
            Set(i / 4, fill);
    }
    // One grey level per pixel (memory order), alpha 200 so that a changed alpha shows.
    static CQVPixels Grey(int nWidth, int nHeight, std::initializer_list<int> levels)
    {
        CQVPixels p(nWidth, nHeight);
        size_t i = 0;
        for (int v : levels)
            p.Set(i++, {uint8_t(v), uint8_t(v), uint8_t(v), 200});
        return p;
    }
    uint8_t* Data() { return m_bytes.data(); }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    tagQVBgra At(int x, int y) const { return Get(size_t(y) * m_nWidth + x); }
    void Put(int x, int y, tagQVBgra p) { Set(size_t(y) * m_nWidth + x, p); }
    // The blue channel of every pixel in memory order (for grey pictures).
    std::vector<int> Levels() const
    {
        std::vector<int> levels;
        for (size_t i = 0; i < m_bytes.size(); i += 4)
            levels.push_back(m_bytes[i]);
        return levels;
    }
    bool IsGrey() const
    {
        for (size_t i = 0; i < m_bytes.size(); i += 4)
            if (m_bytes[i] != m_bytes[i + 1] || m_bytes[i] != m_bytes[i + 2])
                return false;
        return true;
    }

private:
    void Set(size_t i, tagQVBgra p)
    {
        m_bytes[i * 4] = p.b;
        m_bytes[i * 4 + 1] = p.g;
        m_bytes[i * 4 + 2] = p.r;
        m_bytes[i * 4 + 3] = p.a;
    }
    tagQVBgra Get(size_t i) const
    {
        return {m_bytes[i * 4], m_bytes[i * 4 + 1], m_bytes[i * 4 + 2], m_bytes[i * 4 + 3]};
    }
    int m_nWidth;
    std::vector<uint8_t> m_bytes;
};

} // namespace qv::test
