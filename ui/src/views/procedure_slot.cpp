#include "views/procedure_slot.hpp"

namespace velmora::detail {

std::unique_ptr<QWidget> makeProcedureSlotView(const VelmoraSnapshot&,
                                               const ProcedureSlotContext&) {
    return nullptr;
}

} // namespace velmora::detail
