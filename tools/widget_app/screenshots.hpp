#pragma once

#include "host_window.hpp"

#include <filesystem>
#include <ostream>

namespace velmora::tools {
class WidgetService;
}

namespace velmora::widget_app {

/// Opens the widget from the launcher and renders, to PNG files in `directory`: the host window
/// with its launcher ("launcher.png"), the home screen ("home.png"), the conversation after one
/// exchange with the assistant ("conversation.png"), help ("help.png") and a failed send
/// ("error.png", only with the in-process `service`, which is told to fail it). Answers the
/// process's exit status; a step that never completes is reported to `err`.
int takeScreenshots(HostWindow& host, tools::WidgetService* service,
                    const std::filesystem::path& directory, std::ostream& out, std::ostream& err);

} // namespace velmora::widget_app
