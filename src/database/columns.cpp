// Query columns: reading the current row's values as integer, float or text, with the
// conversions between them that the register's columns need.

#include <cmath>
#include <cstdio>
#include <cstring>

#include "blob.h"
#include "numbertext.h"
#include "queryimpl.h"

namespace zest::fb
{

namespace
{

std::int64_t Pow10(int n)
{
    std::int64_t r = 1;
    while (n-- > 0)
        r *= 10;
    return r;
}

std::string ScaledToText(std::int64_t v, int scale)
{
    if (scale >= 0) {
        return std::to_string(v * Pow10(scale));
    }
    const std::int64_t p = Pow10(-scale);
    const bool neg = v < 0;
    const std::uint64_t a = neg ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    std::string frac = std::to_string(a % static_cast<std::uint64_t>(p));
    frac.insert(0, static_cast<std::size_t>(-scale) - frac.size(), '0');
    return (neg ? "-" : "") + std::to_string(a / static_cast<std::uint64_t>(p)) + "." + frac;
}

// As "%.15g" writes it in the "C" locale, whatever locale the process has.
std::string DoubleToText(double d)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 15);
    return std::string(buf, r.ptr);
}

// The unscaled value of an integer column (SMALLINT, INTEGER, BIGINT, NUMERIC).
ISC_INT64 RawInteger(const XSQLVAR& v)
{
    switch (v.sqltype & ~1) {
    case SQL_SHORT: {
        short x;
        std::memcpy(&x, v.sqldata, sizeof x);
        return x;
    }
    case SQL_LONG: {
        ISC_LONG x;
        std::memcpy(&x, v.sqldata, sizeof x);
        return x;
    }
    default: {
        ISC_INT64 x;
        std::memcpy(&x, v.sqldata, sizeof x);
        return x;
    }
    }
}

[[noreturn]] void ConversionError(const std::string& text, const char* kind)
{
    throw std::runtime_error("'" + text + "' is not a valid " + kind + " value");
}

// The number in a text column, blanks around it allowed (numbertext.h).
template <typename T> T ParseNumber(const std::string& s, const char* kind)
{
    const auto x = NumberFromText<T>(WithoutSurroundingSpaces(s));
    if (!x)
        ConversionError(s, kind);
    return *x;
}

template <typename T> T Read(const char* data)
{
    T x;
    std::memcpy(&x, data, sizeof x);
    return x;
}

std::string DateText(const tm& t)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    return buf;
}

std::string TimeText(const tm& t)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
    return buf;
}

} // namespace

void Query::CheckRow(int index) const
{
    if (!hasRow_)
        throw UsageError("no current row");
    if (index < 0 || !impl_->out || index >= impl_->out->sqld)
        throw UsageError("column index out of range");
}

bool Query::IsNull(int index) const
{
    CheckRow(index);
    return impl_->outNulls[index] < 0;
}

std::optional<std::int64_t> Query::BigInt(int index) const
{
    CheckRow(index);
    if (impl_->outNulls[index] < 0)
        return std::nullopt;
    const XSQLVAR& v = impl_->out->sqlvar[index];
    const char* d = v.sqldata;
    auto scaled = [&](std::int64_t raw) -> std::int64_t {
        if (v.sqlscale >= 0)
            return raw * Pow10(v.sqlscale);
        return static_cast<std::int64_t>(
            std::llround(static_cast<double>(raw) / static_cast<double>(Pow10(-v.sqlscale))));
    };
    switch (v.sqltype & ~1) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
        return scaled(RawInteger(v));
    case SQL_BOOLEAN:
        return static_cast<std::int64_t>(*reinterpret_cast<const unsigned char*>(d) != 0);
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
        const double f = *Float(index);
        if (!(f >= -9.2e18 && f <= 9.2e18))
            ConversionError(DoubleToText(f), "integer");
        return static_cast<std::int64_t>(std::llround(f));
    }
    default: {
        return ParseNumber<std::int64_t>(*Text(index), "integer");
    }
    }
}

std::optional<std::int32_t> Query::Integer(int index) const
{
    const std::optional<std::int64_t> v = BigInt(index);
    if (!v)
        return std::nullopt;
    if (*v < INT32_MIN || *v > INT32_MAX)
        ConversionError(std::to_string(*v), "integer");
    return static_cast<std::int32_t>(*v);
}

std::optional<double> Query::Float(int index) const
{
    CheckRow(index);
    if (impl_->outNulls[index] < 0)
        return std::nullopt;
    const XSQLVAR& v = impl_->out->sqlvar[index];
    switch (v.sqltype & ~1) {
    case SQL_FLOAT:
        return Read<float>(v.sqldata);
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return Read<double>(v.sqldata);
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64: {
        const ISC_INT64 raw = RawInteger(v);
        double f = static_cast<double>(raw);
        for (int s = v.sqlscale; s < 0; ++s)
            f /= 10.0;
        for (int s = v.sqlscale; s > 0; --s)
            f *= 10.0;
        return f;
    }
    default: {
        return ParseNumber<double>(*Text(index), "floating point");
    }
    }
}

std::optional<std::string> Query::Text(int index) const
{
    CheckRow(index);
    if (impl_->outNulls[index] < 0)
        return std::nullopt;
    const XSQLVAR& v = impl_->out->sqlvar[index];
    const char* d = v.sqldata;
    switch (v.sqltype & ~1) {
    case SQL_TEXT:
        return std::string(d, static_cast<std::size_t>(v.sqllen));
    case SQL_VARYING:
        return std::string(d + sizeof(short), static_cast<std::size_t>(Read<short>(d)));
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
        return ScaledToText(RawInteger(v), v.sqlscale);
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return DoubleToText(*Float(index));
    case SQL_BOOLEAN:
        return std::string(*reinterpret_cast<const unsigned char*>(d) ? "True" : "False");
    case SQL_TYPE_DATE: {
        ISC_DATE x = Read<ISC_DATE>(d);
        tm t {};
        isc_decode_sql_date(&x, &t);
        return DateText(t);
    }
    case SQL_TYPE_TIME: {
        ISC_TIME x = Read<ISC_TIME>(d);
        tm t {};
        isc_decode_sql_time(&x, &t);
        return TimeText(t);
    }
    case SQL_TIMESTAMP: {
        ISC_TIMESTAMP x = Read<ISC_TIMESTAMP>(d);
        tm t {};
        isc_decode_timestamp(&x, &t);
        return DateText(t) + " " + TimeText(t);
    }
    case SQL_BLOB:
        // A current row means an open cursor, so its transaction and database are there.
        return ReadBlob(tr_->database().handlePtr(), tr_->handlePtr(), Read<ISC_QUAD>(d));
    default:
        throw UsageError("unsupported column type");
    }
}

std::int32_t Query::AsInteger(std::string_view name) const
{
    return Integer(FieldIndexOrThrow(name)).value_or(0);
}
std::int64_t Query::AsBigInt(std::string_view name) const
{
    return BigInt(FieldIndexOrThrow(name)).value_or(0);
}
std::string Query::AsString(std::string_view name) const
{
    return Text(FieldIndexOrThrow(name)).value_or(std::string());
}
double Query::AsFloat(std::string_view name) const
{
    return Float(FieldIndexOrThrow(name)).value_or(0.0);
}

} // namespace zest::fb
