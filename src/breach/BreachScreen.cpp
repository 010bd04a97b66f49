#include "breach/BreachScreen.h"

#include "lifecycle/DataGuard.h"

// Constant-initialised: usable from any other global's constructor.
BreachScreen breachScreen;

BreachScreen::Table BreachScreen::Stage(const std::string& path, std::string* problem) {
    return breach::BreachTable::Open(path, problem);
}

bool BreachScreen::Contains(std::string_view trimmed) const {
    if (trimmed.empty()) return false;
    ReadSection read;
    return table_ != nullptr && table_->ContainsPassword(trimmed);
}

uint64_t BreachScreen::Entries() const {
    ReadSection read;
    return table_ != nullptr ? table_->Entries() : 0;
}
