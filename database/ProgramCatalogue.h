#pragma once

#include "database/Recordset.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace portico {

class CatalogueSession;
class CataloguePictures;

// The programs of the catalogue, by name (the published members) and by key
// (the programs' windows). See clsDBRoutines for each operation.
class ProgramCatalogue {
public:
    ProgramCatalogue(CatalogueSession& session, CataloguePictures& pictures);

    std::unique_ptr<Recordset> loadPrograms();
    std::unique_ptr<Recordset> loadProgram(const std::string& mStrName);
    std::string getProgramDescription(const std::string& mStrPrgName);
    std::unique_ptr<Recordset> loadProgramDescriptions();
    // Published: 16 bits, so a key above 32767 is reported as an overflow.
    std::int16_t getProgramKey(const std::string& mStrName);
    // The key of the program of this name, 0 when there is none; what our own
    // operations use, since keys are never reused and pass 16 bits in time.
    std::int64_t programKeyOf(const std::string& name);
    std::unique_ptr<Recordset> loadProperties(const std::string& mStrName);
    std::string getProgramPath(const std::string& mStrName);
    std::string getProgramResType(const std::string& mStrName);
    std::string GetProgramParameters(const std::string& mStrPrgName);
    std::string GetProgramStartInDir(const std::string& mStrPrgName);
    bool runsInTerminal(const std::string& name);
    bool setRunsInTerminal(const std::string& name, bool terminal);
    bool deleteProgram(const std::string& mStrName);
    // `picture` null: the icon picker's picture file, else the default icon.
    // `terminal` is written with the row, so that the program and its mark are one change.
    bool insertProgram(const std::string& name, const std::string& description, const std::string& path,
                       const std::string& startInDir, const std::string& parameters, const Bytes* picture,
                       bool terminal = false);
    bool updateProgram(const std::string& mStrOldName, const std::string& mStrName, const std::string& mStrDesc,
                       const std::string& mStrProgramPath, const std::string& mStrProgramStartInDir,
                       const std::string& mStrProgramStartUpParm);

    std::unique_ptr<Recordset> loadProgramList();
    std::unique_ptr<Recordset> loadProgramNames(bool withPaths);
    std::unique_ptr<Recordset> loadProgramIcons(const std::vector<std::int64_t>& keys);
    std::unique_ptr<Recordset> loadProgramByKey(std::int64_t key);
    std::unique_ptr<Recordset> loadPropertiesByKey(std::int64_t key);
    bool updateProgramByKey(std::int64_t key, const std::string& name, const std::string& description,
                            const std::string& path, const std::string& startInDir, const std::string& parameters,
                            const Bytes* picture, std::optional<bool> terminal = std::nullopt);
    bool deleteProgramByKey(std::int64_t key);
    std::string programNamedLike(const std::string& name, std::int64_t exceptKey);

private:
    // Whether the catalogue keeps the mark; raises when `terminal` needs it and it does not.
    bool keepsTerminalMark(bool terminal);

    CatalogueSession& session_;
    CataloguePictures& pictures_;
};

}  // namespace portico
