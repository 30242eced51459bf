#pragma once
// A small register with one of every case the statements have to get right. Texts are
// Windows-1250.
//
// Persons (OSOBY.ID = subject ID_PDM): 1 Kowalski Jan (M) and 2 Kowalska Anna (K), married
// (couple 1, subject 30), both at address 1 flat "4"; 3 Nowak Piotr (M), address 2; 4 a
// woman without a surname; 5 O'Brien Patrick, address 3 (every dictionary reference
// dangling); 6 the surname "K" exactly; 7 Żak Zofia (K), address 4 (free text).
// Institutions (subjects 10, 11, 12): 1 "SP" Skarb Państwa, 2 "Gm. Łowicz" Gmina Łowicz,
// 3 "Bolimów Nadl." Nadleśnictwo Bolimów (its short name sorts before its full name's rank).
// Group 1 (subject 20) with members Nowak (3), Skarb Państwa (10) and the couple (30).
// Precincts 1 Zawada, 2 Łowicz. Units 100 (precinct 1, number 5, REGON), 101 (precinct 2,
// number 7), 102 (not current).
// Shares of Nowak (subject 3): 1000 in unit 100 with RWD NULL, 1001 in unit 100 again
// (RWD 0), 1005 in unit 101 (RWD 5); never read: 1002 (RWD 6), 1003 (STI 2), 1004 (unit 102).
// Parcels: 500 "2.115" (unit 100) with land uses 900 R IIIa 8000, 901 Ł IV 4000 and 902
// (status 2); 501 (status 2) with 903; 502 "77" (unit 101) with 904 Ls II 5000; 503 in unit
// 102 with 905.

#include "testregister.h"

namespace zest::test
{

void InsertSampleRows(TestRegister& reg);

// The sample rows, in a register of their own, for a test fixture.
class SampleRegisterTest : public RegisterTest
{
protected:
    void Prepare(TestRegister& r) override { InsertSampleRows(r); }
};

} // namespace zest::test
