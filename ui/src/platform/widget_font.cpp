#include "velmora/ui/widget_font.hpp"

#include "detail/text.hpp"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QString>

#include <array>
#include <mutex>

namespace velmora {

namespace {

constexpr std::array<std::string_view, 2> fontFiles = {"velmora-noto-sans-normal.ttf",
                                                       "velmora-noto-sans-italic.ttf"};
constexpr std::string_view resourceFolder = ":/velmora/fonts/";

struct Registration {
    std::mutex mutex;
    bool done = false; // the files were tried with an application present
    std::optional<std::string> failure;
};

Registration& registration() {
    static Registration state;
    return state;
}

bool guiApplicationExists() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

// Registers the files; returns the failure text, or nothing when every file is in place.
std::optional<std::string> registerFiles() {
    QString embeddedFamily;
    for (const auto name : fontFiles) {
        const auto fileName = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
        QFile file(QString::fromUtf8(resourceFolder.data(),
                                     static_cast<qsizetype>(resourceFolder.size())) +
                   fileName);
        if (!file.open(QIODevice::ReadOnly))
            return "Required bundled font resource " + std::string(name) + " is missing.";
        const int id = QFontDatabase::addApplicationFontFromData(file.readAll());
        const QStringList families =
            id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList{};
        if (families.isEmpty())
            return "Required bundled font resource " + std::string(name) +
                   " could not be registered: the font database refused it.";
        embeddedFamily = families.front();
    }
    // The files name their own family; asking for the widget's family name must reach them.
    const auto widgetFamily = QString::fromUtf8(VelmoraWidgetFont::familyName.data(),
                                                VelmoraWidgetFont::familyName.size());
    if (embeddedFamily.compare(widgetFamily, Qt::CaseInsensitive) != 0 &&
        !QFont::substitutes(widgetFamily).contains(embeddedFamily))
        QFont::insertSubstitution(widgetFamily, embeddedFamily);
    return std::nullopt;
}

std::string_view trimQuotes(std::string_view s) {
    while (!s.empty() && (s.front() == '"' || s.front() == '\''))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == '"' || s.back() == '\''))
        s.remove_suffix(1);
    return s;
}

} // namespace

void VelmoraWidgetFont::registerFonts() noexcept {
    auto& state = registration();
    const std::lock_guard lock(state.mutex);
    if (state.done)
        return;
    // A call made before the application exists is reported but not kept: the next call, once
    // the application is there, registers the files.
    if (!guiApplicationExists()) {
        state.failure = "Fonts can be registered only once a QGuiApplication exists.";
        return;
    }
    state.done = true;
    try {
        state.failure = registerFiles();
    } catch (...) {
        state.failure = "Required bundled fonts could not be registered.";
    }
}

std::optional<std::string> VelmoraWidgetFont::registrationFailure() {
    auto& state = registration();
    const std::lock_guard lock(state.mutex);
    return state.failure;
}

bool VelmoraWidgetFont::usesBundledFamily(std::string_view fontFamilyList) {
    std::string_view first;
    for (std::size_t start = 0; start <= fontFamilyList.size();) {
        const auto comma = fontFamilyList.find(',', start);
        const auto end = comma == std::string_view::npos ? fontFamilyList.size() : comma;
        if (end > start) {
            first = fontFamilyList.substr(start, end - start);
            break;
        }
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    if (first.empty())
        return false;
    const std::string trimmed = detail::text::trimmed(first);
    const std::string_view name = trimQuotes(trimmed);
    return detail::text::lowercased(name) == detail::text::lowercased(familyName);
}

} // namespace velmora
