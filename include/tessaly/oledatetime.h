#pragma once
// COleDateTime: days since 30 December 1899 as a double, the fraction the time of day;
// COleDateTimeSpan: a signed number of days. Both carry a status.
#include <tessaly/cstring.h>

class TESSALY_API COleDateTime {
public:
    enum DateTimeStatus { valid = 0, invalid = 1, null = 2 };
    double m_dt = 0;
    DateTimeStatus m_status = valid;
};

class TESSALY_API COleDateTimeSpan {
public:
    enum DateTimeSpanStatus { valid = 0, invalid = 1, null = 2 };
    double m_span = 0;
    DateTimeSpanStatus m_status = valid;
};
