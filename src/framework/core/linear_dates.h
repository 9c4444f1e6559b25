#pragma once
// Date values as a continuous day count: a negative date's fraction counts forward from the
// start of its day (-1.25 is a quarter into the day before day 0), so arithmetic across day 0
// goes through this linear form.
#include <cmath>

namespace tessaly::framework {

inline double ToLinearDate(double date) {
    if (date >= 0) return date;
    const double whole = std::ceil(date);
    return whole - (date - whole);
}

inline double FromLinearDate(double linear) {
    if (linear >= 0) return linear;
    const double whole = std::floor(linear);
    return whole + (whole - linear);
}

} // namespace tessaly::framework
