#pragma once
#include <QColor>
#include <QPalette>
#include <cstdint>

// Colours as the windows store them: 24-bit values in blue-green-red order.
using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clGray = 0x808080;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

inline QColor toQColor(TColor value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

// The named system colours, taken from the platform's palette.
enum class SystemColor { BtnFace, BtnHighlight, BtnShadow, Highlight, HighlightText, Window };

QColor systemColor(SystemColor which);
