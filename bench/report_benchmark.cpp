// How the report's cost grows with the number of endpoints: time and
// platform calls per endpoint over a fake enumerator, output discarded.
// Not a test: run it with scripts/bench.sh.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <iostream>

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

tolvane::fakes::FakeAudio* g_audio = nullptr;

HRESULT FakeSource(IMMDeviceEnumerator** out) {
  *out = g_audio->enumerator();
  (*out)->AddRef();
  return S_OK;
}

}  // namespace

int wmain() {
  NullBuffer null;
  std::wstreambuf* const oldOut = std::wcout.rdbuf(&null);
  std::printf("%10s %14s %16s %18s %14s\n", "endpoints", "us/endpoint",
              "calls/endpoint", "releases/endpoint", "texts/endpoint");
  int status = 0;
  for (const std::size_t count : {10u, 1000u, 100000u}) {
    std::vector<tolvane::fakes::EndpointSpec> endpoints;
    endpoints.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      endpoints.push_back({L"{0.0.0.00000000}.{" + std::to_wstring(i) + L"}",
                           DEVICE_STATE_ACTIVE,
                           L"Speakers " + std::to_wstring(i),
                           tolvane::fakes::NameKind::kText});
    }
    tolvane::fakes::FakeAudio audio(
        endpoints, {endpoints[0].id, endpoints[0].id, endpoints[0].id});
    audio.ledger.keepCalls = false;
    g_audio = &audio;

    const auto start = std::chrono::steady_clock::now();
    const bool ok = tolvane::ListEndpoints(eRender, FakeSource);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
            .count();
    // EnumAudioEndpoints and GetCount are made once per report.
    const double perEndpoint = static_cast<double>(count);
    std::printf(
        "%10zu %14.3f %16.2f %18.2f %14.2f\n", count,
        seconds * 1e6 / perEndpoint,
        static_cast<double>(audio.ledger.callCount - 2) / perEndpoint,
        static_cast<double>(audio.ledger.releaseCount - 2) / perEndpoint,
        static_cast<double>(audio.ledger.textsHandedOut) / perEndpoint);
    if (!ok || !audio.Unbalanced().empty() || !audio.ledger.liveTexts.empty()) {
      std::printf("report failed or leaked\n");
      status = 1;
    }
  }
  std::wcout.rdbuf(oldOut);
  return status;
}
