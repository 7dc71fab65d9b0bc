// How the report's cost grows with the number of endpoints: time and calls
// on the fake interfaces per endpoint, output discarded.
// Not a test: run it with scripts/bench.sh.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>

#include "audio/endpoint_report.h"
#include "fakes/fake_audio.h"

namespace {

class NullBuffer final : public std::wstreambuf {
 protected:
  int_type overflow(int_type ch) override { return ch; }
  std::streamsize xsputn(const wchar_t*, std::streamsize count) override {
    return count;
  }
};

}  // namespace

int wmain() {
  NullBuffer null;
  std::wstreambuf* const oldOut = std::wcout.rdbuf(&null);
  std::printf("%10s %14s %16s\n", "endpoints", "us/endpoint", "calls/endpoint");
  int status = 0;
  for (const std::size_t count : {10u, 1000u, 100000u}) {
    // The endpoints point into these texts, so they must never move.
    std::vector<std::wstring> ids(count), names(count);
    tolvane::fakes::Plan plan;
    for (std::size_t i = 0; i < count; ++i) {
      ids[i] = L"{0.0.0.00000000}.{" + std::to_wstring(i) + L"}";
      names[i] = L"Speakers " + std::to_wstring(i);
      plan.endpoints.push_back(
          {.id = ids[i].c_str(), .name = names[i].c_str()});
    }
    plan.defaults.fill(plan.endpoints.front());
    const tolvane::fakes::FakeAudio audio(std::move(plan));

    const auto start = std::chrono::steady_clock::now();
    const bool ok =
        tolvane::ListEndpoints(eRender, tolvane::fakes::FakeAudio::Create);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
            .count();
    // Creating the enumerator, EnumAudioEndpoints and GetCount are made once
    // per report.
    const double perEndpoint = static_cast<double>(count);
    std::printf("%10zu %14.3f %16.2f\n", count, seconds * 1e6 / perEndpoint,
                static_cast<double>(audio.calls - 3) / perEndpoint);
    if (!ok || audio.references != 0 || !audio.texts.empty()) {
      std::printf("report failed or leaked\n");
      status = 1;
    }
  }
  std::wcout.rdbuf(oldOut);
  return status;
}
