#include "platform/scripted/scripted_runtime.h"

#include <algorithm>
#include <utility>

namespace zelvaro::scripted {

using platform::PixelRect;

bool contains(const RectList& region, std::int32_t x, std::int32_t y) {
    return std::any_of(region.begin(), region.end(), [&](const PixelRect& r) {
        return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    });
}

namespace {

// The rectangle-region call swaps inverted edges; an empty rectangle gives an empty region.
RectList normalised(PixelRect r) {
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    if (r.left == r.right || r.top == r.bottom) return {};
    return {r};
}

// Up to four pieces of a that lie outside b.
void subtract(const PixelRect& a, const PixelRect& b, RectList& out) {
    const PixelRect cut{std::max(a.left, b.left), std::max(a.top, b.top),
                        std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (cut.left >= cut.right || cut.top >= cut.bottom) {
        out.push_back(a);
        return;
    }
    if (a.top < cut.top) out.push_back({a.left, a.top, a.right, cut.top});
    if (cut.bottom < a.bottom) out.push_back({a.left, cut.bottom, a.right, a.bottom});
    if (a.left < cut.left) out.push_back({a.left, cut.top, cut.left, cut.bottom});
    if (cut.right < a.right) out.push_back({cut.right, cut.top, a.right, cut.bottom});
}

} // namespace

class ScriptedTimer final : public platform::Timer {
  public:
    ScriptedTimer(ScriptedRuntime& runtime, Millis interval, std::function<void()> onTick)
        : runtime_(runtime), interval_(interval), onTick_(std::move(onTick)) {
        runtime_.timers_.push_back(this);
    }
    ~ScriptedTimer() override { std::erase(runtime_.timers_, this); }

    // Enabling an enabled timer leaves its countdown as it is.
    void setEnabled(bool enabled) override {
        if (enabled && !enabled_) due_ = runtime_.now_ + interval_;
        enabled_ = enabled;
    }
    bool enabled() const override { return enabled_; }

    Millis due() const { return due_; }
    void tick() {
        due_ = runtime_.now_ + interval_;
        onTick_();
    }

  private:
    ScriptedRuntime& runtime_;
    Millis interval_;
    std::function<void()> onTick_;
    bool enabled_ = false;
    Millis due_{0};
};

class ScriptedWindow final : public platform::FrameWindow {
  public:
    ScriptedWindow(ScriptedRuntime& runtime, WindowRecord& record, const platform::Screen& screen)
        : runtime_(runtime), record_(record), screen_(screen) {}
    ~ScriptedWindow() override { close(); }

    void show() override {
        runtime_.shown = record_.shown = true;
        runtime_.focused_ = &record_;
    }
    // Created covering its screen; then wherever it was last placed.
    platform::TwipsRect geometry() const override {
        const double x = screen_.twipsPerPixelX, y = screen_.twipsPerPixelY;
        if (record_.placements.empty()) {
            const platform::PixelRect& b = screen_.bounds;
            return {b.left * x, b.top * y, (b.right - b.left) * x, (b.bottom - b.top) * y};
        }
        const Placement& p = record_.placements.back();
        return {p.x * x, p.y * y, p.width * x, p.height * y};
    }
    void setScreen(const platform::Screen& screen) override {
        screen_ = screen;
        record_.twipsPerPixel = screen.twipsPerPixelX;
    }
    void placeTopmost(std::int32_t x, std::int32_t y, std::int32_t width,
                      std::int32_t height) override {
        runtime_.placements.push_back({x, y, width, height});
        record_.placements.push_back({x, y, width, height});
    }
    void setBackColour(platform::Colour colour) override {
        runtime_.colour_ = record_.colour = colour;
        runtime_.colours.push_back({runtime_.now_, colour});
        record_.colours.push_back({runtime_.now_, colour});
    }
    // Keys go where the last click went, as on a desktop that gives the keyboard on click.
    void takeKeyboard() override { runtime_.focused_ = &record_; }
    void setRegion(platform::OwnedRegion region) override {
        runtime_.takeWindowRegion(region.release(), record_);
    }
    std::optional<platform::MenuChoice> popupMenu(std::span<const platform::MenuItem> items,
                                                  std::size_t defaultItem) override {
        ScriptedRuntime::MenuShown shown{
            {items.begin(), items.end()}, {}, defaultItem, record_.screen};
        for (std::size_t i = 0; i < items.size(); ++i)
            if (!items[i].submenu.empty())
                shown.submenus[i] = {items[i].submenu.begin(), items[i].submenu.end()};
        runtime_.menus.push_back(std::move(shown));
        if (runtime_.menuAnswers.empty()) return std::nullopt;
        const auto answer = runtime_.menuAnswers.front();
        runtime_.menuAnswers.erase(runtime_.menuAnswers.begin());
        return answer;
    }
    void reserveEdges(const platform::Edges& edges) override {
        record_.reservations.push_back(edges);
    }
    void close() override {
        if (record_.closed) return;
        runtime_.closed = record_.closed = true;
        record_.events = nullptr;
        if (runtime_.focused_ == &record_) runtime_.focused_ = nullptr;
    }

  private:
    ScriptedRuntime& runtime_;
    WindowRecord& record_;
    platform::Screen screen_;
};

class ScriptedDialog final : public platform::DialogWindow {
  public:
    ScriptedDialog(ScriptedRuntime& runtime, const platform::DialogLayout& layout,
                   platform::DialogEvents& events)
        : runtime_(runtime) {
        DialogState& d = runtime_.dialog;
        d = {};
        d.caption = layout.caption;
        for (const auto& c : layout.controls) {
            d.texts[c.id] = c.text;
            d.positions[c.id] = {c.bounds.left, c.bounds.top};
            if (c.foreColour) d.foreColours[c.id] = *c.foreColour;
            d.pictures[c.id] = c.picture;
        }
        d.open = true;
        runtime_.dialogEvents_ = &events;
        ++runtime_.dialogsCreated;
    }
    ~ScriptedDialog() override { close(); }

    void setCaption(std::u16string_view caption) override { state().caption = caption; }
    void setText(int control, std::u16string_view text) override { state().texts[control] = text; }
    void setForeColour(int control, platform::Colour colour) override {
        state().foreColours[control] = colour;
    }
    void setPicture(int control, platform::Picture picture) override {
        state().pictures[control] = picture;
    }
    void moveTo(int control, double left, double top) override {
        state().positions[control] = {left, top};
    }
    // Runs a nested loop until the box closes, as a real runtime does, or until the end of the
    // run under way: scripted time cannot wait for input that was never scripted.
    void showModal() override {
        ++runtime_.modalShows;
        runtime_.deliver(runtime_.runEnd_, [this] { return closed_; });
    }
    void bringForward() override { ++runtime_.dialogBroughtForward; }
    void openWithShell(std::u16string_view address) override {
        runtime_.shellOpened.emplace_back(address);
    }
    void close() override {
        if (closed_) return;
        closed_ = true;
        runtime_.dialog.open = false;
        runtime_.dialogEvents_ = nullptr;
    }

  private:
    DialogState& state() { return runtime_.dialog; }
    ScriptedRuntime& runtime_;
    bool closed_ = false;
};

ScriptedRuntime::ScriptedRuntime(std::int32_t widthPixels, std::int32_t heightPixels,
                                 double twipsPerPixel)
    : screens_{{u"A", {}, true}} {
    setScreen(widthPixels, heightPixels, twipsPerPixel);
}

ScriptedRuntime::~ScriptedRuntime() = default;

void ScriptedRuntime::setScreen(std::int32_t widthPixels, std::int32_t heightPixels,
                                double twipsPerPixel) {
    auto primary =
        std::find_if(screens_.begin(), screens_.end(), [](auto& s) { return s.primary; });
    if (primary == screens_.end()) primary = screens_.begin();
    const platform::PixelRect& b = primary->bounds;
    primary->bounds = {b.left, b.top, b.left + widthPixels, b.top + heightPixels};
    primary->twipsPerPixelX = primary->twipsPerPixelY = twipsPerPixel;
}

const WindowRecord* ScriptedRuntime::windowOn(std::u16string_view screen) const {
    for (const auto& window : windows)
        if (window->screen == screen && !window->closed) return window.get();
    return nullptr;
}

void ScriptedRuntime::post(Millis at, std::function<void(platform::WindowEvents&)> deliver,
                           std::u16string screen) {
    queue_.push_back({at, nextOrder_++, [this, deliver = std::move(deliver), screen] {
                          const WindowRecord* target = screen.empty() ? focused_ : windowOn(screen);
                          if (target && target->events) deliver(*target->events);
                      }});
}

void ScriptedRuntime::postToDialog(Millis at,
                                   std::function<void(platform::DialogEvents&)> deliver) {
    queue_.push_back({at, nextOrder_++, [this, deliver = std::move(deliver)] {
                          if (dialogEvents_) deliver(*dialogEvents_);
                      }});
}

void ScriptedRuntime::dialogClick(int control, Millis at) {
    postToDialog(at, [control](platform::DialogEvents& e) { e.onClick(control); });
}
void ScriptedRuntime::dialogMouseDown(int control, Millis at) {
    postToDialog(at, [control](platform::DialogEvents& e) { e.onMouseDown(control, 1); });
}
void ScriptedRuntime::dialogMouseUp(int control, Millis at) {
    postToDialog(at, [control](platform::DialogEvents& e) { e.onMouseUp(control, 1); });
}
void ScriptedRuntime::dialogMouseMove(int control, Millis at) {
    postToDialog(at, [control](platform::DialogEvents& e) { e.onMouseMove(control); });
}
void ScriptedRuntime::dialogCloseRequest(Millis at) {
    postToDialog(at, [](platform::DialogEvents& e) { e.onCloseRequest(); });
}

std::unique_ptr<platform::DialogWindow>
ScriptedRuntime::createDialog(const platform::DialogLayout& layout, platform::DialogEvents& events,
                              platform::FrameWindow& /*owner*/) {
    return std::make_unique<ScriptedDialog>(*this, layout, events);
}

void ScriptedRuntime::keyDown(std::int16_t key, Millis at) {
    post(at, [key](platform::WindowEvents& e) { e.onKeyDown(key, 0); });
}
void ScriptedRuntime::keyUp(std::int16_t key, Millis at) {
    post(at, [key](platform::WindowEvents& e) { e.onKeyUp(key, 0); });
}
void ScriptedRuntime::press(std::int16_t key, Millis at) {
    keyDown(key, at);
    keyUp(key, at);
}
void ScriptedRuntime::mouseDown(std::int16_t button, Millis at) {
    post(at, [button](platform::WindowEvents& e) { e.onMouseDown(button, 0, 0, 0); });
}
void ScriptedRuntime::mouseDownOn(std::u16string_view screen, std::int16_t button, Millis at) {
    post(
        at, [button](platform::WindowEvents& e) { e.onMouseDown(button, 0, 0, 0); },
        std::u16string(screen));
}
void ScriptedRuntime::displayChange(std::int32_t widthPixels, std::int32_t heightPixels,
                                    double twipsPerPixel, Millis at) {
    queue_.push_back({at, nextOrder_++, [=, this] {
                          setScreen(widthPixels, heightPixels, twipsPerPixel);
                          notifyScreens();
                      }});
}
void ScriptedRuntime::changeScreens(std::vector<platform::Screen> screens, Millis at) {
    queue_.push_back({at, nextOrder_++, [this, screens = std::move(screens)] {
                          screens_ = screens;
                          notifyScreens();
                      }});
}
// Every open window hears of it, as every top-level window does from the system; a modal box does
// not hold it back.
void ScriptedRuntime::notifyScreens() {
    for (std::size_t i = 0; i < windows.size(); ++i)
        if (windows[i]->events) windows[i]->events->onDisplayChange();
}

void ScriptedRuntime::closeRequest(Millis at) {
    post(at, [](platform::WindowEvents& e) { e.onCloseRequest(); });
}

void ScriptedRuntime::secondStart(Millis at) {
    post(at, [](platform::WindowEvents& e) { e.onSecondStart(); });
}

void ScriptedRuntime::runUntil(Millis until) {
    runEnd_ = until;
    deliver(until, [] { return false; });
    now_ = std::max(now_, until);
}

void ScriptedRuntime::deliver(Millis until, const std::function<bool()>& done) {
    while (!quitRequested && !done()) {
        // The earliest of the next input and the next enabled timer; input first on a tie, as a
        // message queue serves posted input before it synthesises timer messages.
        auto input = std::min_element(queue_.begin(), queue_.end(), [](auto& a, auto& b) {
            return std::tie(a.at, a.order) < std::tie(b.at, b.order);
        });
        ScriptedTimer* timer = nullptr;
        for (ScriptedTimer* t : timers_)
            if (t->enabled() && (!timer || t->due() < timer->due())) timer = t;

        const bool inputNext = input != queue_.end() && (!timer || input->at <= timer->due());
        const Millis at = inputNext ? input->at : timer ? timer->due() : until + Millis{1};
        if (at > until) break;
        now_ = std::max(now_, at);
        if (inputNext) {
            auto deliver = std::move(input->deliver);
            queue_.erase(input);
            deliver();
        } else {
            timer->tick();
        }
    }
}

std::unique_ptr<platform::FrameWindow>
ScriptedRuntime::createFrameWindow(platform::WindowEvents& events, const platform::Screen& screen) {
    closed = false;
    windows.push_back(std::make_unique<WindowRecord>());
    WindowRecord& record = *windows.back();
    record.screen = screen.identity;
    record.twipsPerPixel = screen.twipsPerPixelX;
    record.events = &events;
    return std::make_unique<ScriptedWindow>(*this, record, screen);
}

std::unique_ptr<platform::Timer> ScriptedRuntime::createTimer(Millis interval,
                                                              std::function<void()> onTick) {
    return std::make_unique<ScriptedTimer>(*this, interval, std::move(onTick));
}

std::u16string ScriptedRuntime::storeKey(std::u16string_view application,
                                         std::u16string_view section, std::u16string_view key) {
    std::u16string joined(application);
    joined.append(u"\\").append(section).append(u"\\").append(key);
    return joined;
}

std::u16string ScriptedRuntime::getSetting(std::u16string_view application,
                                           std::u16string_view section, std::u16string_view key,
                                           std::u16string_view defaultValue) {
    const auto found = store.find(storeKey(application, section, key));
    return found != store.end() ? found->second : std::u16string(defaultValue);
}

void ScriptedRuntime::saveSetting(std::u16string_view application, std::u16string_view section,
                                  std::u16string_view key, std::u16string_view value) {
    store[storeKey(application, section, key)] = value;
    writes.push_back({std::u16string(key), std::u16string(value)});
}

platform::Colour ScriptedRuntime::currentColour() const {
    return colour_;
}

platform::RegionHandle ScriptedRuntime::createRect(PixelRect rect) {
    rectanglesCreated.push_back(rect);
    const platform::RegionHandle handle = nextRegion_++;
    regions_[handle] = normalised(rect);
    return handle;
}

void ScriptedRuntime::combineDifference(platform::RegionHandle destination,
                                        platform::RegionHandle minuend,
                                        platform::RegionHandle subtrahend) {
    if (!regions_.contains(destination) || !regions_.contains(minuend) ||
        !regions_.contains(subtrahend)) {
        ++badRegionCalls;
        return;
    }
    RectList result = regions_[minuend];
    for (const PixelRect& cut : regions_[subtrahend]) {
        RectList next;
        for (const PixelRect& piece : result)
            subtract(piece, cut, next);
        result = std::move(next);
    }
    regions_[destination] = std::move(result);
}

void ScriptedRuntime::destroy(platform::RegionHandle region) {
    if (regions_.erase(region) == 0) ++badRegionCalls;
}

void ScriptedRuntime::takeWindowRegion(platform::RegionHandle region, WindowRecord& window) {
    const auto found = regions_.find(region);
    if (found == regions_.end()) {
        ++badRegionCalls;
        return;
    }
    window.regionsSet.push_back(found->second);
    regionsSet.push_back(std::move(found->second));
    regions_.erase(found);
}

std::size_t ScriptedRuntime::liveRegions() const {
    return regions_.size();
}

} // namespace zelvaro::scripted
