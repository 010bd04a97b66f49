#include "Component.h"

#include <pwdpolicy.h>

#include <cstddef>

namespace ppc {

unsigned int StartComponent(Needs needs) {
    const int useDictionary = needs == Needs::kPoliciesAndDictionary ? 1 : 0;
    const unsigned int code = PPC_Initialize(nullptr, 0, useDictionary);
    return code == PPC_ERR_ALREADY_INITIALIZED ? PPC_OK : code;
}

std::string StartFailureDetail(unsigned int code) {
    switch (code) {
        case PPC_ERR_DATA_LOAD:
            return "cannot load the configuration " PPC_CONFIG_PATH
                   " or the dictionary it names (try 'ppc config check')";
        case PPC_ERR_FILE_MONITOR:
            return "cannot watch the configuration or the dictionary file";
        case PPC_ERR_TIMER:
            return "cannot arm the reload timer (is timerInterval above 0?)";
        default:
            return "the component did not start";
    }
}

bool PolicyView::operator==(const PolicyView& other) const {
    return id == other.id && minlen == other.minlen && maxlen == other.maxlen &&
           minclass == other.minclass && allowminlen == other.allowminlen &&
           allowminclass == other.allowminclass && specialchar == other.specialchar;
}

Json PolicyView::ToJson() const {
    return Json{{"id", id},
                {"minlen", minlen},
                {"maxlen", maxlen},
                {"minclass", minclass},
                {"allowminlen", allowminlen},
                {"allowminclass", allowminclass},
                {"specialchar", specialchar}};
}

unsigned int ReadPolicy(int id, PolicyView* view) {
    constexpr int kLimitCount = 5;
    int limits[kLimitCount] = {};
    const char* special = nullptr;
    // The text stays valid across reloads; no need to hold the timer off.
    const unsigned int code = PPC_GetPolicy(id, limits, kLimitCount, &special);
    std::string copied = special != nullptr ? special : "";

    view->id = id;
    view->minlen = limits[0];
    view->maxlen = limits[1];
    view->minclass = limits[2];
    view->allowminlen = limits[3];
    view->allowminclass = limits[4];
    view->specialchar = std::move(copied);
    return code;
}

std::vector<int> PolicyIds() {
    std::vector<int> ids;
    unsigned int count = 0;
    // Policies are only ever added, so a second call with room enough for the
    // count of the first holds them all unless a reload came between.
    while (PPC_GetPolicyIds(ids.data(), static_cast<unsigned int>(ids.size()), &count) == PPC_OK &&
           count > ids.size()) {
        ids.resize(count);
    }
    ids.resize(count);
    return ids;
}

std::string LoadedDictionaryPath() {
    std::string path;
    PPC_VisitLoadReport(
        [](const PPC_LoadNote* note, void* context) {
            if (note->source == PPC_SOURCE_DICTIONARY) *static_cast<std::string*>(context) = note->file;
        },
        &path);
    return path;
}

}  // namespace ppc
