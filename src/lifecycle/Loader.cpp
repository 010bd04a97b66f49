#include "lifecycle/Loader.h"

#include <exception>
#include <string>
#include <vector>

#include "lifecycle/Globals.h"
#include "lifecycle/Snapshot.h"
#include "support/Log.h"
#include "support/ReloadLock.h"

namespace {

constexpr int32_t kConfigUnreadable = 1005;
// InitData's result when the configured breach table cannot be used.
constexpr int32_t kBreachTableUnusable = 13;
// InitData's result when memory ran out building the snapshot.
constexpr int32_t kNoMemoryToPublish = 14;

// The loader's state besides policyCfgObj and weakpwdDic. Guarded by the
// reload lock.
std::shared_ptr<const breach::TableSet> breachTablesLoaded;
std::shared_ptr<const LoadReport> lastReport;

enum class TableLoad { kNone, kOpened, kFailed };

// Opens the tables the store names (a base and its deltas), or none for an
// empty value. A set that cannot be used leaves the one loaded before.
TableLoad LoadBreachTable(LoadReport& report) {
    const std::string& tableFile = policyCfgObj.breachedPwdTableFile;
    std::string problem;
    std::vector<std::string> paths;
    std::shared_ptr<const breach::TableSet> table;
    try {
        problem = breach::ParseTableList(tableFile, &paths);
        if (problem.empty() && paths.empty()) {
            breachTablesLoaded = nullptr;
            return TableLoad::kNone;
        }
        PPC_LOG_INFO("InitData", "InitData call breachTable.Open %s\n", tableFile.c_str());
        if (problem.empty()) table = breach::TableSet::Open(paths, &problem);
    } catch (const std::exception&) {
        problem = "out of memory";
    }
    if (!table) {
        PPC_LOG_ERROR("InitData", "breachedPwdTable %s cannot be used: %s\n", tableFile.c_str(), problem.c_str());
        Note(&report, LoadSource::kBreachTable, LoadReason::kUnusable, tableFile, 0,
             [&] { return "cannot be used: " + problem + "; the table loaded before stays"; });
        return TableLoad::kFailed;
    }
    Note(&report, LoadSource::kBreachTable, LoadReason::kRead, tableFile, 0,
         [&] { return std::to_string(table->Entries()) + " entries"; });
    breachTablesLoaded = std::move(table);
    return TableLoad::kOpened;
}

// InitData's steps, in the order they are logged.
int32_t LoadAndPublish(LoadReport& report) {
    PPC_LOG_INFO("InitData", "InitData call policyCfgObj.Init %s\n", kConfigFilePath);
    if (policyCfgObj.Load(kConfigFilePath, &report) != 0) return kConfigUnreadable;
    const int32_t useDictionary = DictionaryInUse() ? 1 : 0;
    PPC_LOG_INFO("InitData", "call weakpwdDic.Init  gWeakPwdUseInd=%i\n", useDictionary);
    int32_t result = 0;
    TableLoad table = TableLoad::kNone;
    if (useDictionary == 1) {
        const std::string& dicFile = policyCfgObj.weakPwdDicFile;
        PPC_LOG_INFO("InitData", "InitData call weakpwdDic.Init %s\n", dicFile.c_str());
        result = weakpwdDic.Load(dicFile, &report);
        // The breach table goes with the dictionary.
        table = LoadBreachTable(report);
        if (table == TableLoad::kFailed && result == 0) result = kBreachTableUnusable;
    }
    try {
        // The snapshot it replaces is destroyed here, once no reader sees it.
        dataInForce.Publish(MakeSnapshot(policyCfgObj, weakpwdDic, breachTablesLoaded));
    } catch (const std::exception&) {
        PPC_LOG_ERROR("InitData", "out of memory publishing %s\n", kConfigFilePath);
        return kNoMemoryToPublish;
    }
    if (table == TableLoad::kOpened) {
        PPC_LOG_INFO("InitData", "breachTable entries= %llu\n",
                     static_cast<unsigned long long>(breachTablesLoaded->Entries()));
    }
    return result;
}

}  // namespace

int32_t InitData() {
    ReloadLock lock;
    LoadReport report;
    const int32_t result = LoadAndPublish(report);
    try {
        lastReport = std::make_shared<const LoadReport>(std::move(report));
    } catch (const std::exception&) {
        lastReport = nullptr;
    }
    return result;
}

std::shared_ptr<const LoadReport> LastLoadReport() {
    ReloadLock lock;
    return lastReport;
}
