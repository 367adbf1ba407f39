#pragma once
// The real window: wxWidgets on GTK.
#include <memory>

#include "platform/backend.h"

// Starts the toolkit (it gets no command-line arguments of ours); nullptr
// when it cannot start, e.g. without a display.
std::unique_ptr<Backend> createWxBackend();
