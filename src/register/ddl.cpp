#include "ddl.h"

#include <iterator>

namespace zest::reg
{

namespace
{

const char* const Tables[] = {
    "PODMIOTY",
    "OSOBY",
    "INSTYTUCJE",
    "INNE_PODM",
    "INNE_PODM_POW",
    "MALZENSTWA",
    "ADRESY",
    "POCZTY_DIC",
    "MIEJSCOWOSCI_DIC",
    "ULICE_DIC",
    "GMINY_DIC",
    "OBREBY",
    "JEDN_REJ",
    "UDZIALY",
    "DZIALKA",
    "UZYTKI",
};

std::string Quoted(const std::string& text)
{
    std::string out = "'";
    for (const char c : text) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out + "'";
}

} // namespace

std::vector<std::string> RegisterTableDdl()
{
    // Text columns take the database's default character set, WIN1250.
    return {
        "CREATE TABLE PODMIOTY (ID_PDM INTEGER NOT NULL PRIMARY KEY, TYP CHAR(1), ID_OS INTEGER)",
        "CREATE TABLE OSOBY (ID INTEGER NOT NULL PRIMARY KEY, NZW VARCHAR(60), PIM VARCHAR(30), DIM VARCHAR(30), "
        "OIM VARCHAR(30), MIM VARCHAR(30), PLEC CHAR(1), RADR INTEGER, NRL VARCHAR(10))",
        "CREATE TABLE INSTYTUCJE (ID INTEGER NOT NULL PRIMARY KEY, NSK VARCHAR(60), NPE VARCHAR(250), RADR INTEGER, "
        "NRLOK VARCHAR(10))",
        "CREATE TABLE INNE_PODM (ID INTEGER NOT NULL PRIMARY KEY, NSK VARCHAR(60), NPE VARCHAR(250), RADR INTEGER, "
        "NRLOK VARCHAR(10))",
        "CREATE TABLE INNE_PODM_POW (ID_INNE INTEGER NOT NULL, ID_PODM INTEGER NOT NULL, "
        "PRIMARY KEY (ID_INNE, ID_PODM))",
        "CREATE TABLE MALZENSTWA (ID INTEGER NOT NULL PRIMARY KEY, MAZ INTEGER, ZONA INTEGER)",
        "CREATE TABLE ADRESY (ID INTEGER NOT NULL PRIMARY KEY, ID_POCZ INTEGER, ID_MIEJ INTEGER, ID_ULIC INTEGER, "
        "ID_GMIN INTEGER, KOD VARCHAR(6), NRA VARCHAR(10), TAR SMALLINT, NAZ VARCHAR(250))",
        "CREATE TABLE POCZTY_DIC (ID INTEGER NOT NULL PRIMARY KEY, NAZ VARCHAR(60))",
        "CREATE TABLE MIEJSCOWOSCI_DIC (ID INTEGER NOT NULL PRIMARY KEY, NAZ VARCHAR(60))",
        "CREATE TABLE ULICE_DIC (ID INTEGER NOT NULL PRIMARY KEY, NAZ VARCHAR(80), NZS VARCHAR(30))",
        "CREATE TABLE GMINY_DIC (ID INTEGER NOT NULL PRIMARY KEY, GMN VARCHAR(60), KRJ VARCHAR(30), WJD VARCHAR(40), "
        "PWJ VARCHAR(40), NRG VARCHAR(10))",
        "CREATE TABLE OBREBY (ID INTEGER NOT NULL PRIMARY KEY, NAZ VARCHAR(60))",
        "CREATE TABLE JEDN_REJ (ID INTEGER NOT NULL PRIMARY KEY, ID_OBR INTEGER, IJR INTEGER, RGN VARCHAR(14), "
        "RWL SMALLINT, STI SMALLINT)",
        "CREATE TABLE UDZIALY (UID INTEGER NOT NULL PRIMARY KEY, ID_PODM INTEGER, ID_JEDN INTEGER, RWD SMALLINT, "
        "UD VARCHAR(30), UD_NR DOUBLE PRECISION, STI SMALLINT)",
        "CREATE TABLE DZIALKA (ID INTEGER NOT NULL PRIMARY KEY, RJDR INTEGER, IDD VARCHAR(20), ARK VARCHAR(10), "
        "PEW INTEGER, STATUS SMALLINT)",
        "CREATE TABLE UZYTKI (ID INTEGER NOT NULL PRIMARY KEY, RDZE INTEGER, OFU VARCHAR(6), OZU VARCHAR(10), "
        "OZK VARCHAR(6), PEW INTEGER, STATUS SMALLINT)",
    };
}

std::vector<std::string> RegisterIndexDdl()
{
    return {
        "CREATE INDEX OSOBY_NZW_PIM_IDX ON OSOBY (NZW, PIM)",
        "CREATE INDEX NSK_IDX ON INSTYTUCJE (NSK)",
        "CREATE INDEX TYP_OS_IDX ON PODMIOTY (TYP, ID_OS)",
        "CREATE INDEX MAL_MAZ_IDX ON MALZENSTWA (MAZ)",
        "CREATE INDEX MAL_ZONA_IDX ON MALZENSTWA (ZONA)",
        "CREATE INDEX UDZ_PODM_JEDN_IDX ON UDZIALY (ID_PODM, ID_JEDN)",
        "CREATE INDEX JEDN_ID_STI_IJR_IDX ON JEDN_REJ (ID, STI, IJR)",
        "CREATE INDEX DZIALKA_RJDR_IDX ON DZIALKA (RJDR)",
        "CREATE INDEX UZYTKI_IDX ON UZYTKI (RDZE)",
    };
}

std::vector<std::string> RegisterGrantDdl()
{
    std::vector<std::string> grants;
    grants.reserve(std::size(Tables));
    for (const char* table : Tables)
        grants.push_back(std::string("GRANT SELECT ON ") + table + " TO PUBLIC");
    return grants;
}

std::vector<std::string> RegisterDdl()
{
    std::vector<std::string> all = RegisterTableDdl();
    for (auto part : { RegisterIndexDdl(), RegisterGrantDdl() })
        all.insert(all.end(), std::make_move_iterator(part.begin()), std::make_move_iterator(part.end()));
    return all;
}

std::string CreateDatabaseSql(const std::string& path, const RegisterOptions& options)
{
    return "CREATE DATABASE " + Quoted(path) + " USER " + Quoted(options.user) + " PASSWORD " + Quoted(options.password)
        + " PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1250";
}

void ExecuteAll(fb::Database& db, const std::vector<std::string>& statements)
{
    for (const auto& sql : statements)
        db.ExecuteImmediate(sql);
}

void CreateRegister(fb::Database& db, const std::string& path, const RegisterOptions& options)
{
    db.CreateDatabase(CreateDatabaseSql(path, options));
    ExecuteAll(db, RegisterTableDdl());
    if (!options.withoutIndexes)
        ExecuteAll(db, RegisterIndexDdl());
    ExecuteAll(db, RegisterGrantDdl());
}

} // namespace zest::reg
