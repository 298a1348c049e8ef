// A host of the installed widget library: links Velmora::UI and reads one of its values, with no
// display and no QApplication.
#include <velmora/ui/widget_controller.hpp>

#include <iostream>

int main() {
    std::cout << "screen " << velmora::rawValue(velmora::VelmoraWidgetViewMode::messages) << '\n';
    return 0;
}
