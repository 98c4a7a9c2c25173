// Date: milliseconds since 1970 UTC in the object's primitive; local time
// through the host's time zone.

#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/member_flags.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>

namespace swf::script {

namespace {

constexpr double kMsPerDay = 86400000.0;

// Days since 1970-01-01 of a proleptic Gregorian date (month 1-12).
double daysFromCivil(double y, double m, double d)
{
    y -= m <= 2 ? 1 : 0;
    const double era = std::floor(y / 400);
    const double yoe = y - era * 400;
    const double mp = std::fmod(m + 9, 12);
    const double doy = std::floor((153 * mp + 2) / 5) + d - 1;
    const double doe = yoe * 365 + std::floor(yoe / 4) - std::floor(yoe / 100) + doy;
    return era * 146097 + doe - 719468;
}

struct Civil {
    double year, month, day; // month 0-11
};

Civil civilFromDays(double z)
{
    z += 719468;
    const double era = std::floor(z / 146097);
    const double doe = z - era * 146097;
    const double yoe = std::floor((doe - std::floor(doe / 1460) + std::floor(doe / 36524) - std::floor(doe / 146096)) / 365);
    const double y = yoe + era * 400;
    const double doy = doe - (365 * yoe + std::floor(yoe / 4) - std::floor(yoe / 100));
    const double mp = std::floor((5 * doy + 2) / 153);
    const double d = doy - std::floor((153 * mp + 2) / 5) + 1;
    const double m = mp < 10 ? mp + 3 : mp - 9;
    return {m <= 2 ? y + 1 : y, m - 1, d};
}

// Fields in order: year, month, date, hours, minutes, seconds, milliseconds.
using Fields = std::array<double, 7>;

// An infinite time shows as the epoch (on a Sunday, see weekday()).
Fields split(double t)
{
    if (std::isinf(t))
        return {1970, 0, 1, 0, 0, 0, 0};
    // Each field of the time of day is taken from the time itself, not from
    // what is left after the days: far from the epoch that remainder has
    // lost its low digits. The hours and milliseconds are read from the time
    // cut to a whole millisecond toward zero, the rest from the time itself,
    // so half a millisecond before the epoch is 00:59:59.0 on the day before.
    auto wrap = [](double v, double n) { return std::fmod(std::fmod(v, n) + n, n); };
    const double whole = std::trunc(t);
    Civil c = civilFromDays(std::floor(t / kMsPerDay));
    return {c.year, c.month, c.day, wrap(std::floor(whole / 3600000), 24), wrap(std::floor(t / 60000), 60),
            wrap(std::floor(t / 1000), 60), wrap(whole, 1000)};
}

double weekday(double t)
{
    if (std::isinf(t))
        return 0;
    return std::fmod(std::fmod(std::floor(t / kMsPerDay) + 4, 7) + 7, 7);
}

double join(const Fields& f)
{
    for (double v : f) {
        if (!std::isfinite(v))
            return kNaN;
    }
    const double wholeMonth = std::trunc(f[1]);
    double year = std::trunc(f[0]) + std::floor(wholeMonth / 12);
    double month = wholeMonth - std::floor(wholeMonth / 12) * 12;
    double days = daysFromCivil(year, month + 1, 1) + std::trunc(f[2]) - 1;
    return days * kMsPerDay + std::trunc(f[3]) * 3600000 + std::trunc(f[4]) * 60000 + std::trunc(f[5]) * 1000 + std::trunc(f[6]);
}

double offsetMs(Interpreter& in, double utc) { return std::isfinite(utc) ? in.host().timeZoneOffsetMinutes(utc) * 60000.0 : 0.0; }
double toLocal(Interpreter& in, double utc) { return utc + offsetMs(in, utc); }
double toUtc(Interpreter& in, double local) { return local - offsetMs(in, local - offsetMs(in, local)); }

bool isDate(const Object* self) { return self && self->objectClass() == ObjectClass::Date; }

double timeOf(Object* self)
{
    if (!isDate(self) || !self->primitive.isNumber())
        return kNaN;
    return self->primitive.asNumber();
}

// A reading method: on anything but a Date (an object that merely inherits
// from one included) it gives undefined.
NativeFunction dateReader(std::function<Value(Interpreter&, double)> read)
{
    return [read](Interpreter& in, Object* self, const Args&) -> Value {
        if (!isDate(self))
            return Value();
        return read(in, timeOf(self));
    };
}

// The original player keeps times far outside the ECMA range of 8.64e15 ms;
// even infinite ones.
double clip(double t) { return std::trunc(t); }
// setTime and the field setters take finite times only.
double clipFinite(double t) { return std::isfinite(t) ? std::trunc(t) : kNaN; }

std::string format(Interpreter& in, double t)
{
    if (std::isnan(t))
        return "Invalid Date";
    static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const double offset = offsetMs(in, t);
    Fields f = split(t + offset);
    const int day = int(weekday(t + offset));
    int minutes = int(offset / 60000);
    const int month = std::clamp(int(f[1]), 0, 11);
    char buf[400];
    std::snprintf(buf, sizeof buf, "%s %s %d %02d:%02d:%02d GMT%c%02d%02d %.0f", days[std::clamp(day, 0, 6)], months[month], int(f[2]),
                  int(f[3]), int(f[4]), int(f[5]), minutes < 0 ? '-' : '+', std::abs(minutes) / 60, std::abs(minutes) % 60, f[0]);
    return buf;
}

// The fields of Date.UTC(...) and new Date(year, month, ...): read up to
// the first undefined argument; later fields keep their defaults.
Fields fieldsFromArgs(Interpreter& in, const Args& args, std::size_t& count)
{
    Fields f = {0, 0, 1, 0, 0, 0, 0};
    for (count = 0; count < args.size() && count < 7 && !args[count].isUndefined(); ++count)
        f[count] = in.toNumber(args[count]);
    if (!std::isfinite(f[1])) {
        // A month that is no number makes January of year 0.
        f[0] = 0;
        f[1] = 0;
    } else if (!std::isfinite(f[0])) {
        f[0] = 0; // year 0, not 1900
    } else if (f[0] < 100) {
        // Two-digit years, and negative ones too, count from 1900.
        f[0] += 1900;
    }
    return f;
}

// Joins argument fields: every field truncated, the month carried into the
// year; an infinite or NaN day or time makes the result infinite or NaN.
double joinArgs(const Fields& f)
{
    double year = std::trunc(f[0]), month = std::trunc(f[1]);
    year += std::floor(month / 12);
    month -= std::floor(month / 12) * 12;
    const double days = daysFromCivil(year, month + 1, 1) + std::trunc(f[2]) - 1;
    return days * kMsPerDay + std::trunc(f[3]) * 3600000 + std::trunc(f[4]) * 60000 + std::trunc(f[5]) * 1000 + std::trunc(f[6]);
}

double localArgsToUtc(Interpreter& in, const Args& args)
{
    std::size_t count = 0;
    const double local = joinArgs(fieldsFromArgs(in, args, count));
    if (!std::isfinite(local))
        return local;
    return toUtc(in, local);
}

} // namespace

void installDate(Interpreter& in)
{
    Object* proto = in.newObject();
    Object* ctor = makeConstructor(
        in, "Date", [](Interpreter& in, Object*, const Args&) -> Value { return format(in, std::floor(in.host().wallClock())); },
        [](Interpreter& in, Object* self, const Args& args) -> Value {
            // An object that is native already (an array, a sound, a clip)
            // stays what it is.
            if (!self->isPlain())
                return self;
            self->setObjectClass(ObjectClass::Date);
            if (args.empty() || (args.size() == 1 && args[0].isUndefined()))
                self->primitive = std::floor(in.host().wallClock());
            else if (args.size() == 1 || args[1].isUndefined())
                self->primitive = in.toNumber(args[0]); // a time value, kept with its fraction as the original player does
            else
                self->primitive = clip(localArgsToUtc(in, args));
            return self;
        },
        proto);
    // Date.UTC needs at least a year and a month.
    in.defineMethod(ctor, "UTC", [](Interpreter& in, Object*, const Args& args) -> Value {
        std::size_t count = 0;
        const Fields f = fieldsFromArgs(in, args, count);
        if (count < 2)
            return Value();
        return joinArgs(f);
    });

    in.defineMethod(proto, "getTime", dateReader([](Interpreter&, double t) -> Value { return t; }));
    in.defineMethod(proto, "valueOf", [](Interpreter&, Object* self, const Args&) -> Value { return timeOf(self); });
    in.defineMethod(proto, "toString", [](Interpreter& in, Object* self, const Args&) -> Value { return format(in, timeOf(self)); });
    in.defineMethod(proto, "getTimezoneOffset", dateReader([](Interpreter& in, double t) -> Value {
        return std::isnan(t) ? kNaN : -offsetMs(in, t) / 60000.0;
    }));
    in.defineMethod(proto, "setTime", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self || self->objectClass() != ObjectClass::Date)
            return Value();
        self->primitive = args.empty() || args[0].isUndefined() ? kNaN : clipFinite(in.toNumber(args[0]));
        return self->primitive;
    });

    // Getters and setters for both local time and UTC.
    static const char* names[] = {"FullYear", "Month", "Date", "Hours", "Minutes", "Seconds", "Milliseconds"};
    static const int setterArgs[] = {3, 2, 1, 4, 3, 2, 1};
    for (int utc = 0; utc < 2; ++utc) {
        const std::string prefix = utc ? "UTC" : "";
        for (int field = 0; field < 7; ++field) {
            in.defineMethod(proto, "get" + prefix + names[field], dateReader([utc, field](Interpreter& in, double t) -> Value {
                if (std::isnan(t))
                    return kNaN;
                return split(utc ? t : toLocal(in, t))[std::size_t(field)];
            }));
            in.defineMethod(proto, "set" + prefix + names[field], [utc, field](Interpreter& in, Object* self, const Args& args) -> Value {
                if (!self || self->objectClass() != ObjectClass::Date)
                    return Value();
                const double t = timeOf(self);
                Fields f = split(utc ? t : toLocal(in, t));
                // An undefined field is no number in every version. A year
                // and a month that are no number count as 0; an infinite
                // month makes January of year 0, an infinite year year 0. The
                // arguments are read even when the time is invalid, which
                // then takes no new fields.
                for (int i = 0; i < setterArgs[field] && std::size_t(i) < args.size(); ++i) {
                    const Value& v = args[std::size_t(i)];
                    f[std::size_t(field + i)] = v.isUndefined() ? kNaN : in.toNumber(v);
                }
                // Called without arguments, the setter's own field is undefined.
                if (args.empty())
                    f[std::size_t(field)] = kNaN;
                if (std::isnan(t)) {
                    self->primitive = kNaN;
                    return self->primitive;
                }
                if (std::isnan(f[1])) {
                    f[1] = 0;
                } else if (std::isinf(f[1])) {
                    f[0] = 0;
                    f[1] = 0;
                }
                if (!std::isfinite(f[0]))
                    f[0] = 0;
                double local = join(f);
                // The field setters, unlike the constructor, keep to the ECMA range.
                const double t2 = clipFinite(utc ? local : toUtc(in, local));
                self->primitive = std::fabs(t2) <= 8.64e15 ? t2 : kNaN;
                return self->primitive;
            });
        }
        in.defineMethod(proto, "get" + prefix + "Day", dateReader([utc](Interpreter& in, double t) -> Value {
            if (std::isnan(t))
                return kNaN;
            return weekday(utc ? t : toLocal(in, t));
        }));
    }
    in.defineMethod(proto, "getYear", dateReader([](Interpreter& in, double t) -> Value {
        return std::isnan(t) ? kNaN : split(toLocal(in, t))[0] - 1900;
    }));
    in.defineMethod(proto, "getUTCYear", dateReader([](Interpreter&, double t) -> Value {
        return std::isnan(t) ? kNaN : split(t)[0] - 1900;
    }));
    in.defineMethod(proto, "setYear", [](Interpreter& in, Object* self, const Args& args) -> Value {
        Args adjusted = args;
        if (!adjusted.empty()) {
            // An undefined year is no number here, whatever the version.
            const double y = adjusted[0].isUndefined() ? kNaN : in.toNumber(adjusted[0]);
            adjusted[0] = y >= 0 && y <= 99 ? y + 1900 : y;
        }
        return in.callMethod(self, "setFullYear", adjusted);
    });
    setAllMemberFlags(proto, kMemberFlags);
    setMemberFlags(ctor, {"UTC"}, kMemberFlags);
}

} // namespace swf::script
