#include "agent/history/history_charts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <span>
#include <string_view>

#include "agent/history/local_stamps.h"

namespace agent {
namespace {

constexpr double kLeft = HistoryCharts::kLeft, kTop = HistoryCharts::kTop;
constexpr double kWidth = HistoryCharts::kWidth, kHeight = HistoryCharts::kHeight;
constexpr double kBottom = kTop + kHeight, kRight = kLeft + kWidth;
constexpr int kYearDays = 365;
constexpr const char* kWarm = "#d0432b";
constexpr const char* kCool = "#2b7bd0";
constexpr const char* kMonths[] = {"janv.", "févr.", "mars",  "avr.", "mai",  "juin",
                                   "juil.", "août",  "sept.", "oct.", "nov.", "déc."};

struct Window {
  const char* suffix;
  const char* title;
  std::int64_t seconds;
  int bins;  // points of a line at most; a bin is one record over 24 hours
};
constexpr Window kWindows[] = {{"24h", "24 heures", 86400, 288},
                               {"7j", "7 jours", 7 * 86400, 336},
                               {"30j", "30 jours", 30 * 86400, 360}};

// `value` with `decimals` digits after a '.', whatever the locale; no "-0" for a zero.
std::string_view Fixed(char (&buffer)[32], double value, int decimals) {
  const auto end =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals).ptr;
  std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
  if (text.front() == '-' && text.find_first_not_of("-0.") == std::string_view::npos)
    text.remove_prefix(1);
  return text;
}

// A window's bins are fixed spans of time, so that a bin's mean does not change as the present
// moves: bin k holds the records whose period ends in (k x span, (k + 1) x span].
std::int64_t BinOf(const Window& window, std::int64_t time_utc) {
  return (time_utc - 1) / (window.seconds / window.bins);
}

// The SVG text, built by appending: numbers always with a '.' (no locale, no iostream).
class Svg {
 public:
  Svg(std::string_view title, std::string_view unit, std::string_view right_unit) {
    Add("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 720 420\" "
        "font-family=\"sans-serif\" font-size=\"15\" fill=\"#222222\">\n<title>");
    Add(title);
    Add("</title>\n<rect width=\"720\" height=\"420\" fill=\"#ffffff\"/>\n");
    Text(360, 28, "middle", title, " font-size=\"19\" font-weight=\"bold\"");
    Text(kLeft - 6, kTop - 12, "end", unit);
    if (!right_unit.empty()) Text(kRight + 6, kTop - 12, "start", right_unit);
  }

  Svg& Add(std::string_view text) {
    out_.append(text);
    return *this;
  }
  Svg& Num(double value, int decimals = 1) {
    char buffer[32];
    return Add(Fixed(buffer, value, decimals));
  }
  void Text(double x, double y, std::string_view anchor, std::string_view text,
            std::string_view extra = {}) {
    Add("<text x=\"").Num(x).Add("\" y=\"").Num(y).Add("\" text-anchor=\"").Add(anchor);
    Add("\"").Add(extra).Add(">").Add(text).Add("</text>\n");
  }
  void VerticalGrid(double x, std::string_view label) {
    Add("<line x1=\"").Num(x).Add("\" y1=\"").Num(kTop).Add("\" x2=\"").Num(x);
    Add("\" y2=\"").Num(kBottom).Add("\" stroke=\"#e4e4e4\"/>\n");
    if (!label.empty()) Text(x, kBottom + 22, "middle", label, " font-size=\"13\"");
  }
  void Legend(int index, std::string_view label, std::string_view color) {
    const double x = kLeft + index * 240;
    Add("<line x1=\"").Num(x).Add("\" y1=\"404\" x2=\"").Num(x + 28);
    Add("\" y2=\"404\" stroke=\"").Add(color).Add("\" stroke-width=\"4\"/>\n");
    Text(x + 36, 409, "start", label);
  }
  std::string Finish(bool empty) {
    Add("<rect x=\"").Num(kLeft).Add("\" y=\"").Num(kTop).Add("\" width=\"").Num(kWidth);
    Add("\" height=\"").Num(kHeight).Add("\" fill=\"none\" stroke=\"#999999\"/>\n");
    if (empty) Text(kLeft + kWidth / 2, kTop + kHeight / 2, "middle", "Aucune donnée");
    Add("</svg>\n");
    return std::move(out_);
  }

 private:
  std::string out_;
};

// A vertical scale: round steps of 1, 2 or 5 x 10^n, about five of them.
struct Scale {
  double low = 0;
  double high = 1;
  double step = 1;

  double Y(double value) const { return kBottom - (value - low) / (high - low) * kHeight; }
  int Decimals() const { return step >= 1 ? 0 : step >= 0.1 ? 1 : 2; }
};

struct ScaleRule {
  double min_span;
  bool from_zero;        // a quantity never below zero starts there
  double fixed_low = 0;  // fixed_high > fixed_low: a fixed scale
  double fixed_high = 0;
};

Scale ScaleOf(double low, double high, const ScaleRule& rule) {
  if (rule.fixed_high > rule.fixed_low) return {rule.fixed_low, rule.fixed_high, 20};
  if (!(low <= high)) low = high = 0;
  if (rule.from_zero) low = 0;
  if (high - low < rule.min_span) {
    const double middle = (low + high) / 2;
    low = rule.from_zero ? 0 : middle - rule.min_span / 2;
    high = low + rule.min_span;
  }
  const double raw = (high - low) / 5;
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  double step = 10 * magnitude;
  for (double factor : {1.0, 2.0, 5.0}) {
    if (factor * magnitude >= raw) {
      step = factor * magnitude;
      break;
    }
  }
  Scale scale{std::floor(low / step) * step, std::ceil(high / step) * step, step};
  if (scale.high <= scale.low) scale.high = scale.low + step;
  return scale;
}

void DrawScale(Svg& svg, const Scale& scale, bool right) {
  const int count = static_cast<int>(std::lround((scale.high - scale.low) / scale.step));
  for (int i = 0; i <= count; ++i) {
    const double value = scale.low + i * scale.step;
    const double y = scale.Y(value);
    if (!right) {
      svg.Add("<line x1=\"").Num(kLeft).Add("\" y1=\"").Num(y).Add("\" x2=\"").Num(kRight);
      svg.Add("\" y2=\"").Num(y).Add("\" stroke=\"#e4e4e4\"/>\n");
    }
    char label[32];
    svg.Text(right ? kRight + 6 : kLeft - 6, y + 5, right ? "start" : "end",
             Fixed(label, value, scale.Decimals()));
  }
}

// One line: the value of each slot (NaN: none) at its x. Two slots with values are joined
// when at most `reach` slots apart; a longer stretch without a value stays open.
void DrawLine(Svg& svg, std::span<const double> xs, std::span<const double> values,
              const Scale& scale, std::string_view color, std::size_t reach) {
  std::size_t last = 0;
  bool open = false;
  std::size_t run = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (std::isnan(values[i])) continue;
    if (open && i - last > reach) {
      svg.Add("\"/>\n");
      open = false;
    }
    if (!open) {
      // A lone value is a dot: a polyline of one point shows nothing.
      const std::size_t next = std::find_if(values.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                            values.end(), [](double v) { return !std::isnan(v); }) -
                               values.begin();
      if (next >= values.size() || next - i > reach) {
        svg.Add("<circle cx=\"").Num(xs[i]).Add("\" cy=\"").Num(scale.Y(values[i]));
        svg.Add("\" r=\"2.5\" fill=\"").Add(color).Add("\"/>\n");
        last = i;
        continue;
      }
      svg.Add("<polyline fill=\"none\" stroke=\"").Add(color);
      svg.Add("\" stroke-width=\"2\" stroke-linejoin=\"round\" points=\"");
      open = true;
      run = 0;
    }
    if (run++ > 0) svg.Add(" ");
    svg.Num(xs[i]).Add(",").Num(scale.Y(values[i]));
    last = i;
  }
  if (open) svg.Add("\"/>\n");
}

void DrawBars(Svg& svg, std::span<const double> values, const Scale& scale) {
  const double slot = kWidth / static_cast<double>(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (std::isnan(values[i])) continue;
    const double y = scale.Y(values[i]);
    svg.Add("<rect x=\"").Num(kLeft + (static_cast<double>(i) + 0.15) * slot);
    svg.Add("\" y=\"").Num(y).Add("\" width=\"").Num(slot * 0.7).Add("\" height=\"");
    svg.Num(kBottom - y).Add("\" fill=\"").Add(kCool).Add("\"/>\n");
  }
}

void Extend(std::span<const double> values, double& low, double& high) {
  for (double v : values) {
    if (std::isnan(v)) continue;
    low = std::min(low, v);
    high = std::max(high, v);
  }
}

bool Empty(std::span<const double> values) {
  return std::all_of(values.begin(), values.end(), [](double v) { return std::isnan(v); });
}

std::string HourLabel(std::int64_t hour) {
  char text[8];
  std::snprintf(text, sizeof text, "%02dh", static_cast<int>(hour % 24));
  return text;
}

std::string DayLabel(std::int64_t day) {
  const platform::LocalTime t = platform::BreakDownUtc(day * 86400);
  char text[8];
  std::snprintf(text, sizeof text, "%02d/%02d", t.day, t.month);
  return text;
}

// The instant the local clock read `reading`, through the offset in force then.
std::int64_t InstantOf(std::int64_t reading, std::span<const ClockOffset> offsets) {
  for (auto offset = offsets.rbegin(); offset != offsets.rend(); ++offset)
    if (reading - offset->seconds >= offset->since) return reading - offset->seconds;
  return reading - offsets.front().seconds;
}

// The time labels under a line chart of `window`: local hours every three hours over 24
// hours, days beyond.
void DrawTimeAxis(Svg& svg, const Window& window, const HistoryClock& clock,
                  std::span<const ClockOffset> offsets) {
  const std::int64_t start = clock.now_utc - window.seconds;
  const bool hours = window.seconds <= 86400;
  const std::int64_t step = hours ? 3 * 3600 : window.seconds <= 7 * 86400 ? 86400 : 5 * 86400;
  // The labels count back from this day's midnight (or this hour's), an hour further for a
  // clock change inside the window.
  const std::int64_t unit = hours ? 3 * 3600 : 86400;
  for (std::int64_t at = clock.now_reading / unit * unit;
       at > clock.now_reading - window.seconds - 3600; at -= step) {
    const std::int64_t instant = InstantOf(at, offsets);
    if (instant <= start || instant > clock.now_utc) continue;
    const double x = kLeft + static_cast<double>(instant - start) / window.seconds * kWidth;
    svg.VerticalGrid(x, hours ? HourLabel(at / 3600) : DayLabel(at / 86400));
  }
}

enum ChartSource : std::size_t {
  kSeriesTemp,
  kSeriesDew,
  kSeriesHum,
  kSeriesPressure,
  kSeriesWind,
  kSeriesGust,
  kSeriesSolar,
  kSeriesUv,
  kSeriesCount
};
static_assert(kSeriesCount == HistoryCharts::kSourceCount);

struct Line {
  ChartSource source;
  const char* label;
  const char* color;
  bool right;  // on the right-hand scale
};

struct LineChart {
  const char* stem;
  const char* title;
  const char* unit;
  const char* right_unit;  // "" when one scale
  ScaleRule rule;
  ScaleRule right_rule;
  Line lines[2];
  std::size_t line_count;
};

constexpr LineChart kLineCharts[] = {
    {"temperature",
     "Température extérieure et point de rosée",
     "°C",
     "",
     {4, false},
     {},
     {{kSeriesTemp, "Température", kWarm, false}, {kSeriesDew, "Point de rosée", kCool, false}},
     2},
    {"humidite",
     "Humidité extérieure",
     "%",
     "",
     {0, false, 0, 100},
     {},
     {{kSeriesHum, "Humidité", kCool, false}},
     1},
    {"pression",
     "Pression atmosphérique",
     "hPa",
     "",
     {4, false},
     {},
     {{kSeriesPressure, "Pression", kCool, false}},
     1},
    {"vent",
     "Vent moyen et rafales",
     "km/h",
     "",
     {10, true},
     {},
     {{kSeriesWind, "Vent moyen", kCool, false}, {kSeriesGust, "Rafales", kWarm, false}},
     2},
    {"soleil",
     "Rayonnement solaire et indice UV",
     "W/m²",
     "UV",
     {100, true},
     {2, true},
     {{kSeriesSolar, "Rayonnement", kWarm, false}, {kSeriesUv, "Indice UV", "#7a3fb0", true}},
     2},
};
}  // namespace

HistoryCharts::HistoryCharts(const HistoryClock& clock) : clock_(clock) {
  hour_now_ = clock.now_reading / 3600;
  day_now_ = clock.now_reading / 86400;
  const platform::LocalTime now = platform::BreakDownUtc(clock.now_reading);
  month_now_ = now.year * 12 + now.month - 1;
  for (std::size_t w = 0; w < kWindowCount; ++w)
    bins_[w].resize(static_cast<std::size_t>(kWindows[w].bins) * kSourceCount);
  daily_temp_.resize(kYearDays);
}

void HistoryCharts::AddToBins(std::size_t window, const HistoryRecord& record,
                              const std::array<double, kSourceCount>& values) {
  const Window& w = kWindows[window];
  const std::int64_t behind = BinOf(w, clock_.now_utc) - BinOf(w, record.time_utc);
  if (behind < 0 || behind >= w.bins) return;
  const std::size_t bin = static_cast<std::size_t>(w.bins - 1 - behind);
  for (std::size_t s = 0; s < kSourceCount; ++s) {
    if (std::isnan(values[s])) continue;
    Bin& b = bins_[window][bin * kSourceCount + s];
    b.high = b.count == 0 ? values[s] : std::max(b.high, values[s]);
    b.sum += values[s];
    ++b.count;
  }
}

void HistoryCharts::Add(const HistoryRecord& record) {
  if (record.time_utc > clock_.now_utc) return;
  const auto& v = record.values;
  // The line charts reach 30 days back: older records count only by day and month.
  if (clock_.now_utc - record.time_utc <= kWindows[kWindowCount - 1].seconds + 86400) {
    const std::array<double, kSourceCount> values = {
        v[kTempOut], DewPointC(v[kTempOut], v[kHumOut]),
        v[kHumOut],  v[kPressure],
        v[kWindAvg], v[kWindHi],
        v[kSolar],   v[kUv]};
    if (record.interval_min > 0)
      interval_s_ = std::max<std::int64_t>(interval_s_, record.interval_min * 60);
    const std::int64_t offset = record.reading - record.time_utc;
    if (offsets_.empty() || offsets_.back().seconds != offset)
      offsets_.push_back({record.time_utc, offset});
    for (std::size_t w = 0; w < kWindowCount; ++w) AddToBins(w, record, values);
  }

  // Hours, days and months by the local time the record's period started in.
  const std::int64_t started = record.reading - 60;
  const std::int64_t day = started / 86400;
  if (day != record_day_) {
    const platform::LocalTime t = platform::BreakDownUtc(started);
    record_day_ = day;
    record_month_ = t.year * 12 + t.month - 1;
  }
  const auto add_total = [](Total& total, double value) {
    total.sum += value;
    ++total.count;
  };
  if (record.Has(kRain)) {
    const double rain = v[kRain];
    const std::int64_t hours_ago = hour_now_ - started / 3600;
    if (hours_ago >= 0 && hours_ago < 24) add_total(hourly_rain_[23 - hours_ago], rain);
    const std::int64_t days_ago = day_now_ - day;
    if (days_ago >= 0 && days_ago < 30) add_total(daily_rain_[29 - days_ago], rain);
    const std::int64_t months_ago = month_now_ - record_month_;
    if (months_ago >= 0 && months_ago < 12) add_total(monthly_rain_[11 - months_ago], rain);
  }
  const std::int64_t days_ago = day_now_ - day;
  const double low = record.Has(kTempOutLo) ? v[kTempOutLo] : v[kTempOut];
  const double high = record.Has(kTempOutHi) ? v[kTempOutHi] : v[kTempOut];
  if (days_ago >= 0 && days_ago < kYearDays && !std::isnan(low) && !std::isnan(high)) {
    LowHigh& d = daily_temp_[static_cast<std::size_t>(kYearDays - 1 - days_ago)];
    d.low = d.count == 0 ? low : std::min(d.low, low);
    d.high = d.count == 0 ? high : std::max(d.high, high);
    ++d.count;
  }
}

std::vector<ChartFile> HistoryCharts::Draw() const {
  std::vector<ChartFile> files;
  std::vector<ClockOffset> offsets = offsets_;
  if (offsets.empty() || offsets.back().seconds != clock_.Offset())
    offsets.push_back({clock_.now_utc, clock_.Offset()});
  std::vector<double> xs, first, second;
  for (std::size_t w = 0; w < kWindowCount; ++w) {
    const Window& window = kWindows[w];
    const std::size_t count = static_cast<std::size_t>(window.bins);
    const double bin_seconds = static_cast<double>(window.seconds) / window.bins;
    // A record every interval never leaves a bin between two of its records empty.
    const std::size_t reach =
        std::max<std::size_t>(1, static_cast<std::size_t>(interval_s_ / bin_seconds));
    // A bin is drawn at the end of its period, the running one at the present.
    const std::int64_t start = clock_.now_utc - window.seconds;
    const std::int64_t first_bin = BinOf(window, clock_.now_utc) - window.bins + 1;
    xs.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
      const std::int64_t end =
          std::min((first_bin + static_cast<std::int64_t>(i) + 1) * (window.seconds / window.bins),
                   clock_.now_utc);
      xs[i] = kLeft + static_cast<double>(end - start) / window.seconds * kWidth;
    }
    for (const LineChart& chart : kLineCharts) {
      std::vector<double>* series[] = {&first, &second};
      double low[2] = {HUGE_VAL, HUGE_VAL}, high[2] = {-HUGE_VAL, -HUGE_VAL};
      bool empty = true;
      for (std::size_t l = 0; l < chart.line_count; ++l) {
        const Line& line = chart.lines[l];
        std::vector<double>& values = *series[l];
        values.assign(count, std::nan(""));
        for (std::size_t i = 0; i < count; ++i) {
          const Bin& b = bins_[w][i * kSourceCount + line.source];
          if (b.count > 0) values[i] = line.source == kSeriesGust ? b.high : b.sum / b.count;
        }
        Extend(values, low[line.right], high[line.right]);
        empty = empty && Empty(values);
      }
      std::string title = std::string(chart.title) + " — " + window.title;
      Svg svg(title, chart.unit, chart.right_unit);
      const Scale left = ScaleOf(low[0], high[0], chart.rule);
      const Scale right = ScaleOf(low[1], high[1], chart.right_rule);
      DrawScale(svg, left, false);
      if (*chart.right_unit != '\0') DrawScale(svg, right, true);
      DrawTimeAxis(svg, window, clock_, offsets);
      for (std::size_t l = 0; l < chart.line_count; ++l) {
        const Line& line = chart.lines[l];
        DrawLine(svg, xs, *series[l], line.right ? right : left, line.color, reach);
        svg.Legend(static_cast<int>(l), line.label, line.color);
      }
      files.push_back(
          {std::string("graph_") + chart.stem + "_" + window.suffix + ".svg", svg.Finish(empty)});
    }

    // Rain: by hour over 24 hours, by day beyond.
    const bool hourly = window.seconds <= 86400;
    const std::span<const Total> totals =
        hourly ? std::span<const Total>(hourly_rain_)
               : std::span<const Total>(daily_rain_)
                     .last(static_cast<std::size_t>(window.seconds / 86400));
    std::vector<double> rain(totals.size(), std::nan(""));
    for (std::size_t i = 0; i < totals.size(); ++i)
      if (totals[i].count > 0) rain[i] = totals[i].sum;
    double low = 0, high = 0;
    Extend(rain, low, high);
    const Scale scale = ScaleOf(low, high, {1, true});
    Svg svg(std::string(hourly ? "Pluie par heure" : "Pluie par jour") + " — " + window.title, "mm",
            "");
    DrawScale(svg, scale, false);
    const double slot = kWidth / static_cast<double>(totals.size());
    const std::size_t every = hourly ? 3 : totals.size() > 7 ? 5 : 1;
    for (std::size_t i = 0; i < totals.size(); ++i) {
      const std::size_t back = totals.size() - 1 - i;
      if (back % every != 0) continue;
      const std::int64_t at = (hourly ? hour_now_ : day_now_) - static_cast<std::int64_t>(back);
      svg.VerticalGrid(kLeft + (i + 0.5) * slot, hourly ? HourLabel(at) : DayLabel(at));
    }
    DrawBars(svg, rain, scale);
    files.push_back(
        {std::string("graph_pluie_") + window.suffix + ".svg", svg.Finish(Empty(rain))});
  }

  // The year: daily lows and highs, monthly rain.
  {
    std::vector<double> lows(kYearDays, std::nan("")), highs(kYearDays, std::nan(""));
    for (int i = 0; i < kYearDays; ++i) {
      if (daily_temp_[i].count == 0) continue;
      lows[i] = daily_temp_[i].low;
      highs[i] = daily_temp_[i].high;
    }
    double low = HUGE_VAL, high = -HUGE_VAL;
    Extend(lows, low, high);
    Extend(highs, low, high);
    const Scale scale = ScaleOf(low, high, {4, false});
    Svg svg("Températures minimales et maximales — 365 jours", "°C", "");
    DrawScale(svg, scale, false);
    const double slot = kWidth / kYearDays;
    xs.resize(kYearDays);
    for (int i = 0; i < kYearDays; ++i) {
      xs[i] = kLeft + (i + 0.5) * slot;
      const std::int64_t day = day_now_ - (kYearDays - 1 - i);
      if (platform::BreakDownUtc(day * 86400).day == 1) svg.VerticalGrid(xs[i], DayLabel(day));
    }
    DrawLine(svg, xs, highs, scale, kWarm, 1);
    DrawLine(svg, xs, lows, scale, kCool, 1);
    svg.Legend(0, "Maximale", kWarm);
    svg.Legend(1, "Minimale", kCool);
    files.push_back({"graph_temperature_annee.svg", svg.Finish(Empty(lows))});
  }
  {
    std::vector<double> rain(12, std::nan(""));
    for (std::size_t i = 0; i < 12; ++i)
      if (monthly_rain_[i].count > 0) rain[i] = monthly_rain_[i].sum;
    double low = 0, high = 0;
    Extend(rain, low, high);
    const Scale scale = ScaleOf(low, high, {10, true});
    Svg svg("Pluie par mois — 12 mois", "mm", "");
    DrawScale(svg, scale, false);
    for (std::size_t i = 0; i < 12; ++i) {
      const std::int64_t month = month_now_ - static_cast<std::int64_t>(11 - i);
      svg.VerticalGrid(kLeft + (i + 0.5) * kWidth / 12, kMonths[month % 12]);
    }
    DrawBars(svg, rain, scale);
    files.push_back({"graph_pluie_annee.svg", svg.Finish(Empty(rain))});
  }
  return files;
}

}  // namespace agent
