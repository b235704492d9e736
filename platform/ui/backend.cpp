#include "platform/ui/backend.h"

#include "platform/ui/headless/headless_backend.h"

namespace ui {

namespace {
std::unique_ptr<Backend>& Installed() {
    static std::unique_ptr<Backend> backend;
    return backend;
}
} // namespace

Backend& CurrentBackend() {
    auto& backend = Installed();
    if (!backend)
        backend = std::make_unique<HeadlessBackend>();
    return *backend;
}

std::unique_ptr<Backend> SetBackend(std::unique_ptr<Backend> backend) {
    auto previous = std::move(Installed());
    Installed() = std::move(backend);
    return previous;
}

} // namespace ui
