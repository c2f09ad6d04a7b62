#pragma once
#include <QColor>
#include <QPalette>
#include <cstdint>

// Colours as the windows store them: 24-bit values in blue-green-red order.
using BgrColor = std::uint32_t;

constexpr BgrColor clBlack = 0x000000;
constexpr BgrColor clWhite = 0xFFFFFF;
constexpr BgrColor clRed = 0x0000FF;
constexpr BgrColor clBlue = 0xFF0000;
constexpr BgrColor clSilver = 0xC0C0C0;
constexpr BgrColor clGray = 0x808080;
constexpr BgrColor clYellow = 0x00FFFF;
constexpr BgrColor clOlive = 0x008080;
constexpr BgrColor clNone = 0x1FFFFFFF;
constexpr BgrColor clDefault = 0x20000000;

inline QColor toQColor(BgrColor value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

// The named system colours, taken from the platform's palette.
enum class SystemColor { BtnFace, BtnHighlight, BtnShadow, Highlight, HighlightText, Window };

QColor systemColor(SystemColor which);
