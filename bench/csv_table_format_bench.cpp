// The table text reader at the stop table's scale: 45,512 rows of 11 quoted values, GBK,
// CR LF, about 3.5 MB, in SIDNo order. The rows are made up but shaped like the shipped text
// (Chinese station names of 2 to 5 characters, train numbers such as "D102" and "1112/1113",
// times, running times, distances and fares). Budget: unpack + parse + index well under 30 ms.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/csv_table_format.h"
#include "data/mem_table.h"
#include "text/gbk.h"

using namespace lanzhou::data;

namespace {

constexpr int kRecords = 45512;
constexpr int kStations = 2952;

std::string Cjk(std::uint32_t cp) {  // one BMP character as UTF-8
  std::string s;
  s += static_cast<char>(0xE0 | (cp >> 12));
  s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  s += static_cast<char>(0x80 | (cp & 0x3F));
  return s;
}

std::string Two(int n) {
  return std::to_string(100 + n).substr(1);
}

std::string Quoted(const std::string& s) {
  return "\"" + s + "\",";
}

const std::string& StopTableGbk() {
  static const std::string text = [] {
    std::mt19937 rng(2011);
    std::vector<std::string> stations;
    for (int i = 0; i < kStations; ++i) {
      std::string name;
      for (int k = 2 + static_cast<int>(rng() % 4); k > 0; --k)
        name += Cjk(0x4E00 + rng() % 0x5000);
      stations.push_back(name);
    }
    std::string t = "\"@@FILE VERSION@@\",\"251\"\r\n\"@@TABLEDEF START@@\"\r\n";
    const char* fields[] = {"ID",       "Station", "S_No", "A_Time", "D_Time", "R_Date",
                            "Distance", "P1",      "P2",   "P3",     "P4"};
    for (const char* f : fields) {
      const std::string name = f;
      const bool integer = name == "S_No" || name == "Distance";
      const std::string size = integer ? "0" : name == "ID" ? "35" : "20";
      const std::string width = integer ? "10" : size;
      t += "\"" + name + "=" + (integer ? "Integer" : "WideString") + "," + size + ",\"\"" + name +
           "\"\",\"\"\"\"," + width + ",Data,\"\"\"\"\"\r\n";
    }
    t += "\"@@INDEXDEF START@@\"\r\n\"SIDNo=\"\"ID;S_No\"\",\"\"SIDNo\"\",UNIQ\"\r\n";
    t += "\"SStation=\"\"Station\"\",\"\"SStation\"\"\"\r\n\"@@INDEXDEF END@@\"\r\n";
    t += "\"@@TABLEDEF END@@\"\r\n";
    for (const char* f : fields) t += Quoted(f);
    t += "\r\n";
    const char* prefixes[] = {"1", "D", "G", "K", "T", "Z"};
    int records = 0;
    for (int train = 0; records < kRecords; ++train) {
      // Train numbers ascend in plain character order, as the shipped text does.
      std::string id =
          std::string(prefixes[std::min(5, train * 6 / 4200)]) + std::to_string(1000 + train);
      if (train % 4 == 0) id += "/" + std::to_string(1001 + train);
      const int stops = 2 + static_cast<int>(rng() % 19);
      int minute = static_cast<int>(rng() % 1440), elapsed = 0, km = 0;
      for (int s = 1; s <= stops && records < kRecords; ++s, ++records) {
        const bool first = s == 1, last = s == stops;
        const std::string arrive = first ? "" : Two(minute / 60 % 24) + ":" + Two(minute % 60);
        minute += 3;
        const std::string leave = last ? "" : Two(minute / 60 % 24) + ":" + Two(minute % 60);
        const std::string run = std::to_string(elapsed / 60) + ":" + std::to_string(elapsed % 60);
        const int fare = km / 10 + 2;
        t += Quoted(id) + Quoted(stations[rng() % kStations]) + Quoted(std::to_string(s)) +
             Quoted(arrive) + Quoted(leave) + Quoted(first ? "0" : run) +
             Quoted(std::to_string(km)) + Quoted(first ? "" : std::to_string(fare) + ".5") +
             Quoted(first ? "" : "-") +
             Quoted(first ? ""
                          : std::to_string(fare * 2) + "/" + std::to_string(fare * 2 + 3) + "/" +
                                std::to_string(fare * 2 + 6)) +
             Quoted(first ? "" : std::to_string(fare * 3) + "/" + std::to_string(fare * 3 + 9)) +
             "\r\n";
        const int step = 20 + static_cast<int>(rng() % 90);
        minute += step;
        elapsed += step + 3;
        km += step;
      }
    }
    return lanzhou::text::Utf8ToGbk(t);
  }();
  return text;
}

const std::string& PackedStopTable() {
  static const std::string packed = [] {
    const std::string& text = StopTableGbk();
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()),
                  Z_BEST_COMPRESSION) != Z_OK) {
      throw std::runtime_error("compress2 failed");
    }
    out.resize(size);
    return out;
  }();
  return packed;
}

void BM_ParseAndIndexStopTable(benchmark::State& state) {
  const std::string& text = StopTableGbk();
  const CsvTableFormat format;
  for (auto _ : state) {
    MemTable table;
    LoadFromStream(table, text, format);
    benchmark::DoNotOptimize(table.RecordCount());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["text_bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ParseAndIndexStopTable)->Unit(benchmark::kMillisecond);

// The whole start-up path of the largest table: inflate into one block, then load it.
void BM_UnpackParseAndIndexStopTable(benchmark::State& state) {
  const std::string& packed = PackedStopTable();
  const std::size_t size = StopTableGbk().size();
  const CsvTableFormat format;
  for (auto _ : state) {
    std::string block(size, '\0');
    uLongf out_size = static_cast<uLongf>(size);
    if (uncompress(reinterpret_cast<Bytef*>(block.data()), &out_size,
                   reinterpret_cast<const Bytef*>(packed.data()),
                   static_cast<uLong>(packed.size())) != Z_OK) {
      state.SkipWithError("uncompress failed");
      break;
    }
    MemTable table;
    LoadFromStream(table, block, format);
    benchmark::DoNotOptimize(table.RecordCount());
  }
}
BENCHMARK(BM_UnpackParseAndIndexStopTable)->Unit(benchmark::kMillisecond);

// The reader's own share: lines and values only, no table.
void BM_TokenizeStopTable(benchmark::State& state) {
  const std::string& text = StopTableGbk();
  csv::ValueTokenizer tokenizer;
  for (auto _ : state) {
    csv::LineReader lines(text);
    std::string_view line;
    csv::Value value;
    std::size_t values = 0;
    while (lines.Next(line)) {
      tokenizer.Reset(line);
      while (tokenizer.Next(value)) ++values;
    }
    benchmark::DoNotOptimize(values);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_TokenizeStopTable)->Unit(benchmark::kMillisecond);

}  // namespace
