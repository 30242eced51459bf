#include "samplerows.h"

namespace zest::test
{

void InsertSampleRows(TestRegister& reg)
{
    reg.Exec({
        // Dictionaries and addresses ("\xA3owicz" is Łowicz).
        "insert into POCZTY_DIC (ID, NAZ) values (1, '\xA3owicz')",
        "insert into MIEJSCOWOSCI_DIC (ID, NAZ) values (1, '\xA3owicz')",
        "insert into MIEJSCOWOSCI_DIC (ID, NAZ) values (2, 'Zawada')",
        "insert into ULICE_DIC (ID, NAZ, NZS) values (1, 'ul. Polna', 'Polna')",
        "insert into GMINY_DIC (ID, GMN, KRJ, WJD, PWJ, NRG) values (1, '\xA3owicz', 'Polska', '\xB3\xF3"
        "dzkie', "
        "'\xB3owicki', '100401')",
        "insert into ADRESY (ID, ID_POCZ, ID_MIEJ, ID_ULIC, ID_GMIN, KOD, NRA, TAR, NAZ) "
        "values (1, 1, 1, 1, 1, '99-400', '12', 1, null)",
        "insert into ADRESY (ID, ID_POCZ, ID_MIEJ, ID_ULIC, ID_GMIN, KOD, NRA, TAR, NAZ) "
        "values (2, null, 2, null, 1, '99-400', '5', 1, null)",
        "insert into ADRESY (ID, ID_POCZ, ID_MIEJ, ID_ULIC, ID_GMIN, KOD, NRA, TAR, NAZ) "
        "values (3, 77, 88, 99, 66, '00-001', '1', 1, null)",
        "insert into ADRESY (ID, TAR, NAZ) values (4, 2, 'ul. D\xB3ug"
        "a 3;;99-400 \xA3owicz')",

        // Persons, each with a subject of the same id.
        "insert into OSOBY (ID, NZW, PIM, DIM, OIM, MIM, PLEC, RADR, NRL) "
        "values (1, 'Kowalski', 'Jan', null, 'Piotr', 'Maria', 'M', 1, '4')",
        "insert into OSOBY (ID, NZW, PIM, DIM, OIM, MIM, PLEC, RADR, NRL) "
        "values (2, 'Kowalska', 'Anna', 'Maria', null, null, 'K', 1, '4')",
        "insert into OSOBY (ID, NZW, PIM, PLEC, RADR) values (3, 'Nowak', 'Piotr', 'M', 2)",
        "insert into OSOBY (ID, NZW, PIM, PLEC) values (4, null, 'Ewa', 'K')",
        "insert into OSOBY (ID, NZW, PIM, PLEC, RADR) values (5, 'O''Brien', 'Patrick', 'M', 3)",
        "insert into OSOBY (ID, NZW, PIM, PLEC) values (6, 'K', 'Adam', 'M')",
        "insert into OSOBY (ID, NZW, PIM, PLEC, RADR) values (7, '\xAF"
        "ak', 'Zofia', 'K', 4)",
        "insert into PODMIOTY (ID_PDM, TYP, ID_OS) select ID, 'F', ID from OSOBY",

        "insert into INSTYTUCJE (ID, NSK, NPE, RADR) values (1, 'SP', 'Skarb Pa\xF1stwa', 1)",
        "insert into INSTYTUCJE (ID, NSK, NPE, RADR, NRLOK) values (2, 'Gm. \xA3owicz', 'Gmina \xA3owicz', 1, '2')",
        "insert into INSTYTUCJE (ID, NSK, NPE) values (3, 'Bolim\xF3w Nadl.', 'Nadle\x9Cnictwo Bolim\xF3w')",
        "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (10, 'P', 1)",
        "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (11, 'P', 2)",
        "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (12, 'P', 3)",

        "insert into INNE_PODM (ID, NSK, NPE, RADR) values (1, 'Wsp. gr. Zawada', 'Wsp\xF3lnota gruntowa wsi Zawada', "
        "2)",
        "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (20, 'I', 1)",
        "insert into INNE_PODM_POW (ID_INNE, ID_PODM) values (1, 3)",
        "insert into INNE_PODM_POW (ID_INNE, ID_PODM) values (1, 10)",
        "insert into INNE_PODM_POW (ID_INNE, ID_PODM) values (1, 30)",

        "insert into MALZENSTWA (ID, MAZ, ZONA) values (1, 1, 2)",
        "insert into PODMIOTY (ID_PDM, TYP, ID_OS) values (30, 'M', 1)",

        // Holdings.
        "insert into OBREBY (ID, NAZ) values (1, 'Zawada')",
        "insert into OBREBY (ID, NAZ) values (2, '\xA3owicz')",
        "insert into JEDN_REJ (ID, ID_OBR, IJR, RGN, RWL, STI) values (100, 1, 5, '123456789', 1, 0)",
        "insert into JEDN_REJ (ID, ID_OBR, IJR, RGN, RWL, STI) values (101, 2, 7, null, 2, 1)",
        "insert into JEDN_REJ (ID, ID_OBR, IJR, RGN, RWL, STI) values (102, 1, 9, null, 1, 2)",
        "insert into UDZIALY (UID, ID_PODM, ID_JEDN, RWD, UD, UD_NR, STI) values (1000, 3, 100, null, '1/2', 0.5, 0)",
        "insert into UDZIALY (UID, ID_PODM, ID_JEDN, RWD, UD, UD_NR, STI) values (1001, 3, 100, 0, '1/4', 0.25, 1)",
        "insert into UDZIALY (UID, ID_PODM, ID_JEDN, RWD, UD, UD_NR, STI) values (1002, 3, 101, 6, '1/1', 1, 0)",
        "insert into UDZIALY (UID, ID_PODM, ID_JEDN, RWD, UD, UD_NR, STI) values (1003, 3, 101, 1, '1/1', 1, 2)",
        "insert into UDZIALY (UID, ID_PODM, ID_JEDN, RWD, UD, UD_NR, STI) values (1004, 3, 102, 0, '1/1', 1, 0)",
        "insert into UDZIALY (UID, ID_PODM, ID_JEDN, RWD, UD, UD_NR, STI) values (1005, 3, 101, 5, '1/3', 0.333, 0)",
        "insert into DZIALKA (ID, RJDR, IDD, ARK, PEW, STATUS) values (500, 100, '2.115', '2', 12050, 0)",
        "insert into DZIALKA (ID, RJDR, IDD, ARK, PEW, STATUS) values (501, 100, '123/4', null, 3000, 2)",
        "insert into DZIALKA (ID, RJDR, IDD, ARK, PEW, STATUS) values (502, 101, '77', null, 5000, 1)",
        "insert into DZIALKA (ID, RJDR, IDD, ARK, PEW, STATUS) values (503, 102, '1', null, 100, 0)",
        "insert into UZYTKI (ID, RDZE, OFU, OZU, OZK, PEW, STATUS) values (900, 500, 'R', 'R', 'IIIa', 8000, 0)",
        "insert into UZYTKI (ID, RDZE, OFU, OZU, OZK, PEW, STATUS) values (901, 500, '\xA3', '\xA3', 'IV', 4000, 1)",
        "insert into UZYTKI (ID, RDZE, OFU, OZU, OZK, PEW, STATUS) values (902, 500, 'B', 'B', null, 50, 2)",
        "insert into UZYTKI (ID, RDZE, OFU, OZU, OZK, PEW, STATUS) values (903, 501, 'R', 'R', 'I', 3000, 0)",
        "insert into UZYTKI (ID, RDZE, OFU, OZU, OZK, PEW, STATUS) values (904, 502, 'Ls', 'Ls', 'II', 5000, 0)",
        "insert into UZYTKI (ID, RDZE, OFU, OZU, OZK, PEW, STATUS) values (905, 503, 'W', 'W', null, 100, 0)",
    });
}

} // namespace zest::test
