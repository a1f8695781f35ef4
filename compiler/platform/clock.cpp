#include "platform/clock.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "driver/utilities.h"

namespace px {

namespace {
bool pauses_enabled = true;
pause_function pause_instead = nullptr;
}  // namespace

void pause_seconds(int n) {
    if (!pauses_enabled || n <= 0) return;
    if (pause_instead) return pause_instead(n);
    // Wait until the clock's whole seconds have advanced by n, sleeping
    // between looks so that a waiting build burns no processor time.
    std::time_t target = std::time(nullptr) + n;
    while (std::time(nullptr) < target) std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

void set_pauses_enabled(bool enabled) { pauses_enabled = enabled; }

void set_pause_function(pause_function f) { pause_instead = f; }

epoch_setting source_date_epoch(long long& seconds) {
    // The classic form has room for four digits of year.
    constexpr long long LAST_SECOND = 253402300799;  // 9999-12-31 23:59:59 UTC
    const char* text = std::getenv("SOURCE_DATE_EPOCH");
    if (!text || !*text) return epoch_setting::unset;
    long long value = 0;
    for (const char* c = text; *c; ++c) {
        if (*c < '0' || *c > '9') return epoch_setting::invalid;
        value = value * 10 + (*c - '0');
        if (value > LAST_SECOND) return epoch_setting::invalid;
    }
    seconds = value;
    return epoch_setting::valid;
}

std::string build_date() {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    long long epoch = 0;
    std::tm t{};
    if (source_date_epoch(epoch) == epoch_setting::valid) {
        std::time_t fixed = static_cast<std::time_t>(epoch);
        if (!gmtime_r(&fixed, &t)) return std::string(24, ' ');
    } else {
        std::time_t now = std::time(nullptr);
        if (!localtime_r(&now, &t)) return std::string(24, ' ');
    }
    return format("%.3s %.3s%3d %.2d:%.2d:%.2d %d", days[(t.tm_wday % 7 + 7) % 7], months[(t.tm_mon % 12 + 12) % 12],
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, 1900 + t.tm_year);
}

}  // namespace px
