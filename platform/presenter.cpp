#include "platform/presenter.h"

#include <atomic>

namespace {

// Shows nothing: the framebuffer is read directly.
Presenter& Headless() {
    static Presenter* headless = new Presenter;
    return *headless;
}

std::atomic<Presenter*> g_current{nullptr};

}  // namespace

Presenter& CurrentPresenter() {
    Presenter* current = g_current.load();
    return current != nullptr ? *current : Headless();
}

Presenter* SetPresenter(Presenter* presenter) { return g_current.exchange(presenter); }
