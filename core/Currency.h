#pragma once

#include <QtGlobal>

#include <compare>

// Money with four exact decimal places: a signed 64-bit count of ten-thousandths
// of a real. Prices and costs are added and multiplied by whole pulse counts in
// this type, so a sum of pulses never drifts the way binary floating point does.
class Currency final {
public:
    static constexpr qint64 Scale = 10000;

    constexpr Currency() = default;

    static constexpr Currency FromRaw(qint64 tenThousandths) { return Currency(tenThousandths); }
    // value × 10000 rounded to the nearest whole number, ties to even.
    static Currency FromDouble(double value);

    constexpr qint64 Raw() const { return m_value; }
    double ToDouble() const { return double(m_value) / double(Scale); }

    constexpr Currency operator+(Currency other) const { return Currency(m_value + other.m_value); }
    constexpr Currency operator-(Currency other) const { return Currency(m_value - other.m_value); }
    constexpr Currency operator*(qint64 factor) const { return Currency(m_value * factor); }
    constexpr Currency& operator+=(Currency other) { m_value += other.m_value; return *this; }
    constexpr Currency& operator-=(Currency other) { m_value -= other.m_value; return *this; }
    constexpr auto operator<=>(const Currency&) const = default;

private:
    constexpr explicit Currency(qint64 raw) : m_value(raw) {}
    qint64 m_value = 0;
};
