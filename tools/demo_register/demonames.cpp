#include "demonames.h"

namespace zest::demo
{

namespace
{

constexpr Surname SurnameList[] = {
    { "Kowalski", "Kowalska" },
    { "Nowak", "Nowak" },
    { "Wiśniewski", "Wiśniewska" },
    { "Wójcik", "Wójcik" },
    { "Kamiński", "Kamińska" },
    { "Łukasik", "Łukasik" },
    { "Żak", "Żak" },
    { "Śliwa", "Śliwa" },
    { "Lewandowski", "Lewandowska" },
    { "Zieliński", "Zielińska" },
    { "Szymański", "Szymańska" },
    { "Woźniak", "Woźniak" },
    { "Dąbrowski", "Dąbrowska" },
    { "Kozłowski", "Kozłowska" },
    { "Jankowski", "Jankowska" },
    { "Mazur", "Mazur" },
    { "Kwiatkowski", "Kwiatkowska" },
    { "Krawczyk", "Krawczyk" },
    { "Piotrowski", "Piotrowska" },
    { "Grabowski", "Grabowska" },
    { "Pawłowski", "Pawłowska" },
    { "Michalski", "Michalska" },
    { "Król", "Król" },
    { "Wieczorek", "Wieczorek" },
    { "Jabłoński", "Jabłońska" },
    { "Wróbel", "Wróbel" },
    { "Majewski", "Majewska" },
    { "Olszewski", "Olszewska" },
    { "Stępień", "Stępień" },
    { "Malinowski", "Malinowska" },
    { "Adamczyk", "Adamczyk" },
    { "Górski", "Górska" },
    { "Nowicki", "Nowicka" },
    { "Sikora", "Sikora" },
    { "Walczak", "Walczak" },
    { "Baran", "Baran" },
    { "Rutkowski", "Rutkowska" },
    { "Ostrowski", "Ostrowska" },
    { "Pietrzak", "Pietrzak" },
    { "Zalewski", "Zalewska" },
    { "Jasiński", "Jasińska" },
    { "Ćwikła", "Ćwikła" },
    { "Ślusarczyk", "Ślusarczyk" },
    { "Żuraw", "Żuraw" },
    { "Łapiński", "Łapińska" },
    { "Ziółkowski", "Ziółkowska" },
    { "Gołębiowski", "Gołębiowska" },
    { "Bąk", "Bąk" },
};

constexpr std::string_view MaleList[] = {
    "Jan",
    "Stanisław",
    "Andrzej",
    "Józef",
    "Tadeusz",
    "Jerzy",
    "Zbigniew",
    "Krzysztof",
    "Henryk",
    "Ryszard",
    "Kazimierz",
    "Marek",
    "Marian",
    "Piotr",
    "Janusz",
    "Władysław",
    "Adam",
    "Wiesław",
    "Zdzisław",
    "Edward",
    "Mieczysław",
    "Roman",
    "Mirosław",
    "Grzegorz",
    "Czesław",
    "Dariusz",
    "Wojciech",
    "Jacek",
    "Tomasz",
    "Łukasz",
    "Paweł",
    "Michał",
    "Bogdan",
    "Leszek",
    "Sławomir",
};

constexpr std::string_view FemaleList[] = {
    "Maria",
    "Krystyna",
    "Anna",
    "Barbara",
    "Teresa",
    "Elżbieta",
    "Janina",
    "Zofia",
    "Jadwiga",
    "Danuta",
    "Halina",
    "Irena",
    "Ewa",
    "Małgorzata",
    "Helena",
    "Grażyna",
    "Bożena",
    "Stanisława",
    "Jolanta",
    "Marianna",
    "Urszula",
    "Wanda",
    "Alicja",
    "Dorota",
    "Agnieszka",
    "Beata",
    "Katarzyna",
    "Joanna",
    "Wiesława",
    "Renata",
    "Łucja",
    "Żaneta",
    "Genowefa",
};

constexpr std::string_view LocalityList[] = {
    "Brzeziny",
    "Dąbrowa",
    "Górki",
    "Zawada",
    "Nowa Wieś",
    "Stara Wieś",
    "Wola Mała",
    "Łąki",
    "Józefów",
    "Święcica",
    "Żabiniec",
    "Olszyny",
    "Piaski",
    "Kolonia Żelazna",
    "Zagórze",
    "Ługi",
    "Kąty",
    "Sośnica",
    "Wierzbica",
    "Jeziorko",
    "Bielawy",
    "Chruślin",
    "Kęblin",
    "Złaków Kościelny",
    "Ślęza",
    "Mysłaków",
};

constexpr std::string_view TownList[] = {
    "Łowicz",
    "Skierniewice",
    "Sochaczew",
    "Żyrardów",
    "Głowno",
    "Kutno",
    "Łęczyca",
    "Bolimów",
    "Nieborów",
    "Kocierzew Południowy",
};

constexpr std::string_view StreetList[] = {
    "Kościuszki",
    "Mickiewicza",
    "Polna",
    "Leśna",
    "Szkolna",
    "Ogrodowa",
    "Łąkowa",
    "Kościelna",
    "Żeromskiego",
    "Słoneczna",
    "Kolejowa",
    "Długa",
    "Krótka",
    "Spokojna",
    "Świerkowa",
    "3 Maja",
    "Piłsudskiego",
    "Wiejska",
    "Źródlana",
    "Nadrzeczna",
};

constexpr std::string_view SaintList[] = {
    "św. Józefa",
    "św. Stanisława Biskupa",
    "Wniebowzięcia NMP",
    "św. Jakuba Apostoła",
    "Przemienienia Pańskiego",
};

} // namespace

std::span<const Surname> Surnames()
{
    return SurnameList;
}
std::span<const std::string_view> MaleNames()
{
    return MaleList;
}
std::span<const std::string_view> FemaleNames()
{
    return FemaleList;
}
std::span<const std::string_view> Localities()
{
    return LocalityList;
}
std::span<const std::string_view> Towns()
{
    return TownList;
}
std::span<const std::string_view> Streets()
{
    return StreetList;
}
std::span<const std::string_view> Saints()
{
    return SaintList;
}

} // namespace zest::demo
