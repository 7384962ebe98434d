// The configuration application's saves of its settings with a long custom list, on the real
// Linux hive in a folder of its own: a change of one setting (the whole form is written, as
// writeAllSettings does) and the removal of the first entry (every entry moves up by one).
//
//   pixoria-registry-save-bench [FILES [FOLDER [RUNS]]]    defaults: 2000, /tmp, 15
//
// Each save is measured two ways, side by side: "one by one", a registry update per value (the
// way the application wrote until regSetMultipleValues; kept here as the reference), and "batch",
// one regSetMultipleValues call. FOLDER should be on the disk that holds the user's settings:
// every update ends in fsyncs.
#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "pixoria/platform/registry.h"
#include "pixoria/settings_schema.h"

namespace {

namespace pf = pixoria::platform;

using Clock = std::chrono::steady_clock;

// What writeAllSettings writes: the list, its index, and the form's other settings; `timeIndex`
// changes from save to save so that each one writes the file.
pf::RegValueBatch allSettings(const std::vector<std::string>& files, std::uint32_t timeIndex) {
  pf::RegValueBatch batch;
  batch.setDword(pixoria::kValueCustomCount, static_cast<std::uint32_t>(files.size()));
  for (std::size_t n = 0; n < files.size(); ++n) {
    batch.setString(std::string(pixoria::kValueCustomFilePrefix) + std::to_string(n), files[n]);
  }
  batch.setDword(pixoria::kValueCustomIndex, 0);
  batch.setDword(pixoria::kValueEnabled, 1);
  batch.setDword(pixoria::kValueMultiMonitorSupport, 0);
  batch.setDword(pixoria::kValueTimeIndex, timeIndex);
  batch.setDword(pixoria::kValueTimePeriod, 0);
  batch.setDword(pixoria::kValueSource, pixoria::kSourceCustom);
  batch.setDword(pixoria::kValueRegion, 0);
  batch.setDword(pixoria::kValueCustomIndex, 0);
  return batch;
}

// The earlier application: each value opened, set and closed on its own, a hive update apiece.
bool saveOneByOne(const pf::RegValueBatch& batch) {
  bool saved = true;
  for (const pf::RegValueChange& change : batch.changes()) {
    pf::RegKey key = nullptr;
    if (pf::regCreateKey(pixoria::kSettingsKey, key) != pf::kErrorSuccess) {
      return false;
    }
    if (change.kind == pf::RegValueChange::Kind::setDword) {
      saved = pf::regSetDword(key, change.name, change.dword) == pf::kErrorSuccess && saved;
    } else if (change.kind == pf::RegValueChange::Kind::setString) {
      saved = pf::regSetString(key, change.name, change.text) == pf::kErrorSuccess && saved;
    }
    pf::regCloseKey(key);
  }
  return saved;
}

bool saveAsBatch(const pf::RegValueBatch& batch) {
  pf::RegKey key = nullptr;
  if (pf::regCreateKey(pixoria::kSettingsKey, key) != pf::kErrorSuccess) {
    return false;
  }
  const bool saved = pf::regSetMultipleValues(key, batch) == pf::kErrorSuccess;
  pf::regCloseKey(key);
  return saved;
}

// The processor time this process has used (user and system), in milliseconds.
double processorMilliseconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto ms = [](const timeval& time) {
    return static_cast<double>(time.tv_sec) * 1000.0 + static_cast<double>(time.tv_usec) / 1000.0;
  };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct Timing {
  double wall = 0;       // ms
  double processor = 0;  // ms of user and system time: what the save costs a quiet machine
};

Timing timingOf(bool (*save)(const pf::RegValueBatch&), const pf::RegValueBatch& batch) {
  const double processorBefore = processorMilliseconds();
  const auto start = Clock::now();
  if (!save(batch)) {
    std::fprintf(stderr, "a save failed\n");
    std::exit(1);
  }
  return {std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
          processorMilliseconds() - processorBefore};
}

// The run of median wall time.
Timing median(std::vector<Timing> runs) {
  std::sort(runs.begin(), runs.end(),
            [](const Timing& a, const Timing& b) { return a.wall < b.wall; });
  return runs[runs.size() / 2];
}

std::vector<std::string> listOf(std::size_t count, std::size_t first) {
  std::vector<std::string> files;
  for (std::size_t n = first; n < first + count; ++n) {
    files.push_back("/home/ana/Pictures/Holidays 2024/IMG_" + std::to_string(100000 + n) + ".jpg");
  }
  return files;
}

struct Figures {
  Timing oneByOne;  // one run: it takes seconds
  Timing batch;     // median of the runs
};

// A setting changes: the whole form is written again, the list unchanged.
Figures settingChange(std::size_t count, int runs) {
  const auto files = listOf(count, 0);
  saveAsBatch(allSettings(files, 1));
  Figures figures;
  figures.oneByOne = timingOf(saveOneByOne, allSettings(files, 2));
  std::vector<Timing> batch;
  for (int run = 0; run < runs; ++run) {
    batch.push_back(timingOf(saveAsBatch, allSettings(files, 3 + run % 2)));
  }
  figures.batch = median(batch);
  return figures;
}

// The first entry is removed: every entry takes the next one's path and the count drops by one.
Figures firstEntryRemoved(std::size_t count, int runs) {
  Figures figures;
  saveAsBatch(allSettings(listOf(count, 0), 1));
  figures.oneByOne = timingOf(saveOneByOne, allSettings(listOf(count - 1, 1), 1));
  std::vector<Timing> batch;
  for (int run = 0; run < runs; ++run) {
    saveAsBatch(allSettings(listOf(count, 0), 1));
    batch.push_back(timingOf(saveAsBatch, allSettings(listOf(count - 1, 1), 1)));
  }
  figures.batch = median(batch);
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t count = argc > 1 ? std::stoul(argv[1]) : 2000;
  const std::string parent = argc > 2 ? argv[2] : "/tmp";
  const int runs = argc > 3 ? std::max(1, std::stoi(argv[3])) : 15;
  std::string folder = parent + "/pixoria-registry-bench-XXXXXX";
  if (count < 2 || mkdtemp(folder.data()) == nullptr) {
    std::fprintf(stderr, "usage: %s [FILES>=2 [FOLDER [RUNS]]]\n", argv[0]);
    return 2;
  }
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);

  const Figures change = settingChange(count, runs);
  const Figures removal = firstEntryRemoved(count, runs);
  std::printf("%zu custom files, hive in %s, batch: median of %d runs\n", count, folder.c_str(),
              runs);
  std::printf("%-34s %22s %22s\n", "save (wall / processor time)", "one by one", "batch");
  const auto row = [](const char* name, const Figures& figures) {
    std::printf("%-34s %9.1f / %8.1f ms %9.1f / %8.1f ms\n", name, figures.oneByOne.wall,
                figures.oneByOne.processor, figures.batch.wall, figures.batch.processor);
  };
  row("a setting changes (all settings)", change);
  row("the first entry is removed", removal);
  std::filesystem::remove_all(folder);
  return 0;
}
