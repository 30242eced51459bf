// Query parameters: set by name or position, kept as values, bound at each execution.

#include <cstring>
#include <variant>

#include "namedparams.h"
#include "queryimpl.h"

namespace zest::fb
{

std::size_t Query::ParamCount() const noexcept
{
    return impl_->paramNames.size();
}

const std::string& Query::ParamName(std::size_t index) const
{
    if (index >= impl_->paramNames.size())
        throw UsageError("parameter index out of range");
    return impl_->paramNames[index];
}

const ParamValue& Query::Param(std::size_t index) const
{
    if (index >= impl_->values.size())
        throw UsageError("parameter index out of range");
    return impl_->values[index];
}

namespace
{
template <typename V> void SetAll(Query::Impl& impl, std::string_view name, V&& value)
{
    bool found = false;
    for (std::size_t i = 0; i < impl.paramNames.size(); ++i)
        if (NamesEqual(impl.paramNames[i], name)) {
            impl.values[i] = value;
            found = true;
        }
    if (!found)
        throw UsageError("unknown parameter: " + std::string(name));
}
} // namespace

void Query::SetNull(std::string_view name)
{
    SetAll(*impl_, name, Impl::Value {});
}
void Query::SetInteger(std::string_view name, std::int32_t value)
{
    SetAll(*impl_, name, Impl::Value { value });
}
void Query::SetBigInt(std::string_view name, std::int64_t value)
{
    SetAll(*impl_, name, Impl::Value { value });
}
void Query::SetText(std::string_view name, std::string_view value)
{
    SetAll(*impl_, name, Impl::Value { std::string(value) });
}
void Query::SetFloat(std::string_view name, double value)
{
    SetAll(*impl_, name, Impl::Value { value });
}
void Query::SetParam(std::size_t index, ParamValue value)
{
    if (index >= impl_->values.size())
        throw UsageError("parameter index out of range");
    impl_->values[index] = std::move(value);
}

namespace
{
// Binds one number parameter in its native type; the server converts it to the
// parameter's own type.
template <typename T> void BindNumber(XSQLVAR& v, std::vector<char>& buf, short type, T x)
{
    buf.resize(sizeof x);
    std::memcpy(buf.data(), &x, sizeof x);
    v.sqltype = static_cast<short>(type | 1);
    v.sqllen = sizeof x;
    v.sqlscale = 0;
    v.sqlsubtype = 0;
    v.sqldata = buf.data();
}
} // namespace

void BindInputs(Query::Impl& impl)
{
    const std::size_t n = impl.values.size();
    for (std::size_t i = 0; i < n; ++i) {
        XSQLVAR& v = impl.in->sqlvar[i];
        v = impl.inDescribed[i];
        v.sqlind = &impl.inNulls[i];
        impl.inNulls[i] = 0;
        std::vector<char>& buf = impl.inBuffers[i];
        const Query::Impl::Value& val = impl.values[i];
        const bool describedText = (v.sqltype & ~1) == SQL_TEXT || (v.sqltype & ~1) == SQL_VARYING;
        if (std::holds_alternative<std::monostate>(val)) {
            buf.assign(static_cast<std::size_t>(v.sqllen) + 8, 0);
            v.sqldata = buf.data();
            v.sqltype |= 1;
            impl.inNulls[i] = -1;
        } else if (auto p32 = std::get_if<std::int32_t>(&val)) {
            BindNumber(v, buf, SQL_LONG, static_cast<ISC_LONG>(*p32));
        } else if (auto p64 = std::get_if<std::int64_t>(&val)) {
            BindNumber(v, buf, SQL_INT64, static_cast<ISC_INT64>(*p64));
        } else if (auto pd = std::get_if<double>(&val)) {
            BindNumber(v, buf, SQL_DOUBLE, *pd);
        } else {
            const std::string& s = std::get<std::string>(val);
            if (s.size() > 32765)
                throw UsageError("parameter text too long");
            buf.assign(s.begin(), s.end());
            buf.push_back('\0');
            const short keepSubtype = describedText ? v.sqlsubtype : 0;
            v.sqltype = SQL_TEXT | 1;
            v.sqllen = static_cast<ISC_SHORT>(s.size());
            v.sqlscale = 0;
            v.sqlsubtype = keepSubtype;
            v.sqldata = buf.data();
        }
    }
    impl.in->sqld = static_cast<ISC_SHORT>(n);
}

} // namespace zest::fb
