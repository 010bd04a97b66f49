// PPC_VisitLoadReport: the last load's report, note by note, for hosts and
// the PAM module's debug output.
#include "lifecycle/Loader.h"
#include "lifecycle/Reloader.h"
#include "pwdpolicy.h"

static_assert(static_cast<unsigned int>(LoadSource::kBreachTable) == PPC_SOURCE_BREACH_TABLE &&
                  static_cast<unsigned int>(LoadReason::kBadValue) == PPC_NOTE_BAD_VALUE,
              "the public numbers are the report's own");

extern "C" unsigned int PPC_VisitLoadReport(PPC_LoadNoteVisitor visit, void* context) {
    if (visit == nullptr) return PPC_ERR_BAD_ARGUMENT;
    RunDueTick();
    // A copy of the pointer: a load running meanwhile keeps its own report,
    // and the visitor may call back into the component.
    const std::shared_ptr<const LoadReport> report = LastLoadReport();
    if (report == nullptr) return PPC_OK;
    for (const LoadNote& note : report->Notes()) {
        const PPC_LoadNote visited{static_cast<unsigned int>(note.source), static_cast<unsigned int>(note.reason),
                                   note.file.c_str(), static_cast<unsigned int>(note.line), note.message.c_str()};
        visit(&visited, context);
    }
    return PPC_OK;
}
