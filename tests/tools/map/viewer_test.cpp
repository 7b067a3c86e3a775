// The HTML viewer in a real browser: headless Chromium loads the page
// inside a driver page, which zooms by wheel and keyboard, searches a
// station, hovers it and reads the tooltip, and prints what it saw. Skipped
// when no Chromium is installed, but in CI, where that is a failure.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "support/tool_runs.h"

namespace scen {
namespace {

namespace fs = std::filesystem;
using test_util::run_tool;
using test_util::temp_folder;

std::optional<fs::path> trova_chromium() {
  if (const char* c = std::getenv("SCENARIO_CHROMIUM"); c && *c) return fs::path(c);
  const char* path = std::getenv("PATH");
  std::string tutto = path ? path : "/usr/bin";
  for (std::size_t da = 0; da <= tutto.size();) {
    const auto fine = std::min(tutto.find(':', da), tutto.size());
    for (const char* nome : {"chromium", "chromium-browser"}) {
      const fs::path p = fs::path(tutto.substr(da, fine - da)) / nome;
      if (::access(p.c_str(), X_OK) == 0) return p;
    }
    da = fine + 1;
  }
  return std::nullopt;
}

// Each step waits for the viewer's redraw, then records what the page shows.
constexpr const char* pagina_guida = R"html(<!DOCTYPE html>
<html><body><iframe id="f" src="route.html" style="width:1400px;height:900px"></iframe><pre id="out">pending</pre>
<script>
const out = {};
function later(f) { setTimeout(f, 300); }
window.onload = function () {
  const w = document.getElementById('f').contentWindow, d = w.document;
  later(function () {
    out.ready = d.body.getAttribute('data-ready');
    out.planTexts = d.querySelectorAll('#plan text').length;
    out.range0 = d.getElementById('range').textContent;
    const sec = d.getElementById('section'), r = sec.getBoundingClientRect();
    sec.dispatchEvent(new w.WheelEvent('wheel', { deltaY: -100, clientX: r.left + r.width / 2, clientY: r.top + 50,
                                                  bubbles: true, cancelable: true }));
    later(function () {
      out.range1 = d.getElementById('range').textContent;
      w.dispatchEvent(new w.KeyboardEvent('keydown', { key: '+', bubbles: true }));
      later(function () {
        out.range2 = d.getElementById('range').textContent;
        const s = d.getElementById('search');
        s.value = 'lunesco';
        s.dispatchEvent(new w.KeyboardEvent('keydown', { key: 'Enter', bubbles: true, cancelable: true }));
        later(function () {
          out.range3 = d.getElementById('range').textContent;
          out.status = d.getElementById('status').textContent;
          const c = d.querySelector('#plan g.station.picked circle');
          out.picked = !!c;
          if (c) {
            const b = c.getBoundingClientRect();
            c.dispatchEvent(new w.MouseEvent('mousemove', { clientX: b.left + 3, clientY: b.top + 3, bubbles: true }));
            out.tip = d.getElementById('tip').textContent;
            out.tipShown = d.getElementById('tip').style.display;
          }
          out.errors = d.getElementById('errors').textContent;
          document.getElementById('out').textContent = JSON.stringify(out);
        });
      });
    });
  });
};
</script></body></html>
)html";

TEST(Viewer, OpensInChromiumZoomsAndFindsAStation) {
  const auto chromium = trova_chromium();
  if (!chromium) {
    // On a developer's machine the browser is optional; CI installs it, so
    // there a missing browser is a failure, never a skip.
    if (std::getenv("CI") != nullptr) FAIL() << "no chromium on PATH in CI (Debian package chromium)";
    GTEST_SKIP() << "no chromium on PATH (Debian package chromium)";
  }
  temp_folder dir;
  test_util::compila_incorporato(dir.path());
  ASSERT_EQ(run_tool({"map", ".", "-o", "route.html"}, dir.path()).status, 0);
  test_util::write_file(dir.path() / "driver.html", pagina_guida);
  fs::create_directories(dir.path() / "profile");
  const auto r = test_util::run_process(
      {chromium->string(), "--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
       "--disable-component-update", "--disable-sync", "--no-first-run",
       "--user-data-dir=" + (dir.path() / "profile").string(), "--allow-file-access-from-files",
       "--enable-logging=stderr", "--v=0", "--virtual-time-budget=10000", "--dump-dom",
       "file://" + (dir.path() / "driver.html").string()},
      dir.path());
  ASSERT_EQ(r.status, 0) << r.err;
  // Script errors of the page reach the browser's log as console messages.
  EXPECT_EQ(r.err.find("Uncaught"), std::string::npos) << r.err;
  const auto da = r.out.find("<pre id=\"out\">"), a = r.out.find("</pre>");
  ASSERT_NE(da, std::string::npos) << r.out;
  std::string testo = r.out.substr(da + 14, a - da - 14);
  for (const auto& [e, c] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}}) {
    for (auto at = testo.find(e); at != std::string::npos; at = testo.find(e, at + 1)) {
      testo.replace(at, std::strlen(e), c);
    }
  }
  const auto j = nlohmann::json::parse(testo);
  EXPECT_EQ(j["ready"], "1");
  EXPECT_EQ(j["errors"], "");
  EXPECT_GE(j["planTexts"].get<int>(), 19);  // a name for every station of the route
  EXPECT_EQ(j["range0"], "0 km \xE2\x80\x93 85 km");
  EXPECT_EQ(j["range1"], "8.5 km \xE2\x80\x93 76.5 km");   // the wheel zooms in around the mouse
  EXPECT_EQ(j["range2"], "15.3 km \xE2\x80\x93 69.7 km");  // "+" zooms in around the middle
  EXPECT_EQ(j["range3"], "15.1 km \xE2\x80\x93 18.7 km");  // the search goes to the station
  EXPECT_EQ(j["picked"], true);
  const std::string scheda = "LUNESCO (entry 3) at 16900 m (km 66.000)\nzone 16600 m to 17200 m";
  EXPECT_EQ(j["status"].get<std::string>().rfind(scheda, 0), 0u) << j["status"];
  EXPECT_EQ(j["tip"].get<std::string>().rfind(scheda, 0), 0u) << j["tip"];
  EXPECT_EQ(j["tipShown"], "block");
}

}  // namespace
}  // namespace scen
