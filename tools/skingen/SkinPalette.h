// The colours and sizes of the default skin. The client reads the same header so that what it
// paints around the bitmaps matches them.
#pragma once

#include <QColor>

namespace skin {

inline const QColor kTitle{0x1F, 0x2A, 0x37};
inline const QColor kTitleHover{0x2C, 0x3A, 0x4B};
inline const QColor kTitleInk{0xC9, 0xD3, 0xDF};
inline const QColor kHeader{0x2F, 0x6F, 0xD6};
inline const QColor kAccent{0x2F, 0x6F, 0xD6};
inline const QColor kAccentDark{0x23, 0x56, 0xA8};
inline const QColor kPanel{0xFF, 0xFF, 0xFF};
inline const QColor kBackground{0xF2, 0xF4, 0xF7};
inline const QColor kHover{0xE8, 0xF0, 0xFC};
inline const QColor kPressed{0xD3, 0xE2, 0xFA};
inline const QColor kInk{0x34, 0x3E, 0x4A};
inline const QColor kMuted{0x8A, 0x94, 0xA0};
inline const QColor kRule{0xDD, 0xE2, 0xE8};
inline const QColor kOnline{0x1E, 0x9E, 0x5A};
inline const QColor kDanger{0xD9, 0x3A, 0x3A};
inline const QColor kVideo{0x15, 0x1A, 0x21};

inline constexpr int kTitleBand = 50;
inline constexpr int kTitleButton = 46;
inline constexpr int kLayoutButtonW = 52;
inline constexpr int kLayoutButtonH = 52;
inline constexpr int kHeaderButton = 28;

}  // namespace skin
