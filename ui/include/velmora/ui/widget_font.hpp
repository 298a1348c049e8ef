#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// The widget's packaged font family, "Velmora Noto Sans" (upright and italic), compiled into
/// VelmoraUI and made available to the process once.
struct VelmoraWidgetFont {
    static constexpr std::string_view familyName = "Velmora Noto Sans";

    /// Makes the packaged family available to the whole process under `familyName`. Safe to call
    /// any number of times from any thread; the first call made once a QGuiApplication exists
    /// does the work, later calls return at once. A call before the application exists only
    /// reports that (`registrationFailure()`) and leaves the work to a later call. A failure
    /// never throws: the views then fall back to the system font, and `registrationFailure()`
    /// says what went wrong.
    static void registerFonts() noexcept;

    /// Whether the first family of a CSS-style, comma-separated family list (quotes allowed) is
    /// the packaged family, ignoring case.
    static bool usesBundledFamily(std::string_view fontFamilyList);

    /// Why the registration failed, once `registerFonts()` has run and failed; nothing otherwise.
    static std::optional<std::string> registrationFailure();
};

} // namespace velmora
