// Date: milliseconds since 1970 UTC in the object's primitive; local time
// through the host's time zone.

#include "swf/script/builtins/builtins.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

namespace swf::script {

namespace {

constexpr double kMsPerDay = 86400000.0;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

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

Fields split(double t)
{
    double days = std::floor(t / kMsPerDay);
    double ms = t - days * kMsPerDay;
    Civil c = civilFromDays(days);
    return {c.year, c.month, c.day, std::floor(ms / 3600000), std::fmod(std::floor(ms / 60000), 60),
            std::fmod(std::floor(ms / 1000), 60), std::fmod(ms, 1000)};
}

double join(const Fields& f)
{
    for (double v : f) {
        if (!std::isfinite(v))
            return kNaN;
    }
    double year = f[0] + std::floor(f[1] / 12);
    double month = f[1] - std::floor(f[1] / 12) * 12;
    double days = daysFromCivil(std::trunc(year), month + 1, 1) + std::trunc(f[2]) - 1;
    return days * kMsPerDay + std::trunc(f[3]) * 3600000 + std::trunc(f[4]) * 60000 + std::trunc(f[5]) * 1000 + std::trunc(f[6]);
}

double offsetMs(Interpreter& in, double utc) { return in.host().timeZoneOffsetMinutes(utc) * 60000.0; }
double toLocal(Interpreter& in, double utc) { return utc + offsetMs(in, utc); }
double toUtc(Interpreter& in, double local) { return local - offsetMs(in, local - offsetMs(in, local)); }

double timeOf(Object* self)
{
    if (!self || self->objectClass() != ObjectClass::Date || !self->primitive.isNumber())
        return kNaN;
    return self->primitive.asNumber();
}

double clip(double t) { return std::isfinite(t) && std::fabs(t) <= 8.64e15 ? std::trunc(t) : kNaN; }

std::string format(Interpreter& in, double t)
{
    if (std::isnan(t))
        return "Invalid Date";
    static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const double offset = offsetMs(in, t);
    Fields f = split(t + offset);
    int weekday = int(std::fmod(std::fmod(std::floor((t + offset) / kMsPerDay) + 4, 7) + 7, 7));
    int minutes = int(offset / 60000);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s %s %d %02d:%02d:%02d GMT%c%02d%02d %d", days[weekday], months[int(f[1])], int(f[2]), int(f[3]),
                  int(f[4]), int(f[5]), minutes < 0 ? '-' : '+', std::abs(minutes) / 60, std::abs(minutes) % 60, int(f[0]));
    return buf;
}

Fields fieldsFromArgs(Interpreter& in, const Args& args)
{
    Fields f = {0, 0, 1, 0, 0, 0, 0};
    for (std::size_t i = 0; i < args.size() && i < 7; ++i)
        f[i] = in.toNumber(args[i]);
    if (f[0] >= 0 && f[0] <= 99)
        f[0] += 1900;
    return f;
}

} // namespace

void installDate(Interpreter& in)
{
    Object* proto = in.newObject();
    Object* ctor = makeConstructor(
        in, "Date", [](Interpreter& in, Object*, const Args&) -> Value { return format(in, std::floor(in.host().wallClock())); },
        [](Interpreter& in, Object* self, const Args& args) -> Value {
            self->setObjectClass(ObjectClass::Date);
            double t;
            if (args.empty())
                t = std::floor(in.host().wallClock());
            else if (args.size() == 1)
                t = in.toNumber(args[0]);
            else
                t = toUtc(in, join(fieldsFromArgs(in, args)));
            self->primitive = clip(t);
            return self;
        },
        proto);
    in.defineMethod(ctor, "UTC", [](Interpreter& in, Object*, const Args& args) -> Value { return clip(join(fieldsFromArgs(in, args))); });

    in.defineMethod(proto, "getTime", [](Interpreter&, Object* self, const Args&) -> Value { return timeOf(self); });
    in.defineMethod(proto, "valueOf", [](Interpreter&, Object* self, const Args&) -> Value { return timeOf(self); });
    in.defineMethod(proto, "toString", [](Interpreter& in, Object* self, const Args&) -> Value { return format(in, timeOf(self)); });
    in.defineMethod(proto, "getTimezoneOffset", [](Interpreter& in, Object* self, const Args&) -> Value {
        double t = timeOf(self);
        return std::isnan(t) ? kNaN : -offsetMs(in, t) / 60000.0;
    });
    in.defineMethod(proto, "setTime", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self || self->objectClass() != ObjectClass::Date)
            return Value();
        self->primitive = args.empty() ? kNaN : clip(in.toNumber(args[0]));
        return self->primitive;
    });

    // Getters and setters for both local time and UTC.
    static const char* names[] = {"FullYear", "Month", "Date", "Hours", "Minutes", "Seconds", "Milliseconds"};
    static const int setterArgs[] = {3, 2, 1, 4, 3, 2, 1};
    for (int utc = 0; utc < 2; ++utc) {
        const std::string prefix = utc ? "UTC" : "";
        for (int field = 0; field < 7; ++field) {
            in.defineMethod(proto, "get" + prefix + names[field], [utc, field](Interpreter& in, Object* self, const Args&) -> Value {
                double t = timeOf(self);
                if (std::isnan(t))
                    return kNaN;
                return split(utc ? t : toLocal(in, t))[std::size_t(field)];
            });
            in.defineMethod(proto, "set" + prefix + names[field], [utc, field](Interpreter& in, Object* self, const Args& args) -> Value {
                double t = timeOf(self);
                if (!self || self->objectClass() != ObjectClass::Date)
                    return Value();
                if (std::isnan(t))
                    t = 0;
                Fields f = split(utc ? t : toLocal(in, t));
                for (int i = 0; i < setterArgs[field] && std::size_t(i) < args.size(); ++i)
                    f[std::size_t(field + i)] = in.toNumber(args[std::size_t(i)]);
                double local = join(f);
                self->primitive = clip(utc ? local : toUtc(in, local));
                return self->primitive;
            });
        }
        in.defineMethod(proto, "get" + prefix + "Day", [utc](Interpreter& in, Object* self, const Args&) -> Value {
            double t = timeOf(self);
            if (std::isnan(t))
                return kNaN;
            double local = utc ? t : toLocal(in, t);
            return std::fmod(std::fmod(std::floor(local / kMsPerDay) + 4, 7) + 7, 7);
        });
    }
    in.defineMethod(proto, "getYear", [](Interpreter& in, Object* self, const Args&) -> Value {
        double t = timeOf(self);
        return std::isnan(t) ? kNaN : split(toLocal(in, t))[0] - 1900;
    });
    in.defineMethod(proto, "setYear", [](Interpreter& in, Object* self, const Args& args) -> Value {
        Args adjusted = args;
        if (!adjusted.empty()) {
            double y = in.toNumber(adjusted[0]);
            if (y >= 0 && y <= 99)
                adjusted[0] = y + 1900;
        }
        return in.callMethod(self, "setFullYear", adjusted);
    });
}

} // namespace swf::script
