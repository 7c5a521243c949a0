// SPDX-License-Identifier: Apache-2.0
// Values delivered to a tool for one of its inputs.
#pragma once

#include <cstdint>

/// Base of every value a request carries for an input.
class Parameter {
public:
    virtual ~Parameter() = default;
    virtual uint32_t DataType() const = 0;
};

/// A number control's value.
class Number final : public Parameter {
public:
    explicit Number(double value = 0.0) : Value(value) {}
    uint32_t DataType() const override;
    double Value;
};

/// A point control's value: fractions of the image width and height.
class Point final : public Parameter {
public:
    Point(double x = 0.5, double y = 0.5) : X(x), Y(y) {}
    uint32_t DataType() const override;
    double X;
    double Y;
};
