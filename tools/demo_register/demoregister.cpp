#include "demoregister.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "demonames.h"
#include "statement/codepage.h"

namespace zest::demo
{

std::uint64_t SplitMix64::Next() noexcept
{
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int DemoCounts::Total() const noexcept
{
    return subjects + persons + couples + institutions + groups + groupMembers + addresses + dictionaryRows + precincts
        + units + shares + parcels + landUses;
}

std::string Utf8ToWindows1250(std::string_view utf8)
{
    std::optional<std::string> bytes = cp1250::FromUtf8(utf8, cp1250::Refuse);
    if (!bytes)
        throw std::invalid_argument("demo text: not Windows-1250 text in UTF-8");
    return std::move(*bytes);
}

namespace
{

using Text = std::optional<std::string>;
// An integer column value or NULL (std::optional<int> trips GCC's maybe-uninitialized).
struct Int {
    Int() = default;
    Int(int v)
        : set(true)
        , value(v)
    {
    }
    bool set = false;
    int value = 0;
};

std::vector<std::string> Converted(std::span<const std::string_view> pool)
{
    std::vector<std::string> out;
    out.reserve(pool.size());
    for (auto s : pool)
        out.push_back(Utf8ToWindows1250(s));
    return out;
}

// How many rows of each kind a commune of N subjects has: per 20,000 subjects about
// 14,000 persons, 5,000 couples, 500 institutions, 500 groups, 15,000 addresses,
// 12,000 units, 30,000 shares, 40,000 parcels and 100,000 land uses.
struct Sizes {
    explicit Sizes(int n)
        : subjects(n)
        , couples(n / 4)
        , institutions(std::max(1, n / 40))
        , groups(std::max(1, n / 40))
        , persons(n - couples - institutions - groups)
        , addresses(std::max(1, n * 3 / 4))
        , precincts(std::max(2, n / 1000))
        , units(std::max(1, n * 3 / 5))
        , shares(std::max(units, n * 3 / 2))
        , parcels(std::max(units, n * 2))
        , landUses(std::max(parcels, n * 5))
    {
    }
    int subjects, couples, institutions, groups, persons, addresses, precincts, units, shares, parcels, landUses;

    int FirstInstitution() const noexcept { return persons + 1; }
    int FirstGroup() const noexcept { return persons + institutions + 1; }
    int FirstCouple() const noexcept { return persons + institutions + groups + 1; }
};

// One land-use kind: form-of-use code, land-use code, soil classes (empty: no class)
// and its weight among all land uses.
struct LandUseKind {
    std::string_view ofu;
    std::string_view ozu;
    int classSet; // 0 none, 1 arable, 2 grassland, 3 forest
    int weight;
};

constexpr LandUseKind LandUseKinds[] = {
    { "R", "R", 1, 300 },
    { "S-R", "S-R", 1, 25 },
    { "S-R", "R", 1, 15 },
    { "Br-R", "R", 1, 10 },
    { "Ł", "Ł", 2, 90 },
    { "Ps", "Ps", 2, 70 },
    { "Br-Ł", "Br-Ł", 2, 15 },
    { "Ls", "Ls", 3, 110 },
    { "Lz", "Lz", 3, 25 },
    { "Lz-R", "R", 1, 10 },
    { "W", "W", 0, 15 },
    { "Wsr", "Wsr", 0, 8 },
    { "Ws", "Ws", 0, 10 },
    { "B", "B", 0, 90 },
    { "Bi", "Bi", 0, 20 },
    { "Ba", "Ba", 0, 10 },
    { "dr", "dr", 0, 60 },
    { "N", "N", 0, 15 },
    { "Tk", "Tk", 0, 8 },
    { "K", "K", 0, 4 },
};

constexpr std::string_view ArableClasses[] = { "I", "II", "IIIa", "IIIb", "IVa", "IVb", "V", "VI", "VIz" };
constexpr std::string_view GrasslandClasses[] = { "I", "II", "III", "IV", "V", "VI", "VIz" };
constexpr std::string_view ForestClasses[] = { "I", "II", "III", "IV", "V", "VI" };

void Bind(fb::Query& q, std::string_view name, const Text& value)
{
    if (value)
        q.SetText(name, *value);
    else
        q.SetNull(name);
}

void Bind(fb::Query& q, std::string_view name, const Int& value)
{
    if (value.set)
        q.SetInteger(name, value.value);
    else
        q.SetNull(name);
}

// The prepared inserts of every table, reused for every row.
struct Inserts {
    explicit Inserts(fb::Transaction& tr)
        : subject(tr, "INSERT INTO PODMIOTY (ID_PDM, TYP, ID_OS) VALUES (:id, :typ, :idos)")
        , person(tr,
              "INSERT INTO OSOBY (ID, NZW, PIM, DIM, OIM, MIM, PLEC, RADR, NRL) "
              "VALUES (:id, :nzw, :pim, :dim, :oim, :mim, :plec, :radr, :nrl)")
        , institution(tr, "INSERT INTO INSTYTUCJE (ID, NSK, NPE, RADR, NRLOK) VALUES (:id, :nsk, :npe, :radr, :nrlok)")
        , group(tr, "INSERT INTO INNE_PODM (ID, NSK, NPE, RADR, NRLOK) VALUES (:id, :nsk, :npe, :radr, :nrlok)")
        , member(tr, "INSERT INTO INNE_PODM_POW (ID_INNE, ID_PODM) VALUES (:grp, :pdm)")
        , couple(tr, "INSERT INTO MALZENSTWA (ID, MAZ, ZONA) VALUES (:id, :maz, :zona)")
        , address(tr,
              "INSERT INTO ADRESY (ID, ID_POCZ, ID_MIEJ, ID_ULIC, ID_GMIN, KOD, NRA, TAR, NAZ) "
              "VALUES (:id, :pocz, :miej, :ulic, :gmin, :kod, :nra, :tar, :naz)")
        , post(tr, "INSERT INTO POCZTY_DIC (ID, NAZ) VALUES (:id, :naz)")
        , locality(tr, "INSERT INTO MIEJSCOWOSCI_DIC (ID, NAZ) VALUES (:id, :naz)")
        , street(tr, "INSERT INTO ULICE_DIC (ID, NAZ, NZS) VALUES (:id, :naz, :nzs)")
        , commune(tr, "INSERT INTO GMINY_DIC (ID, GMN, KRJ, WJD, PWJ, NRG) VALUES (:id, :gmn, :krj, :wjd, :pwj, :nrg)")
        , precinct(tr, "INSERT INTO OBREBY (ID, NAZ) VALUES (:id, :naz)")
        , unit(tr, "INSERT INTO JEDN_REJ (ID, ID_OBR, IJR, RGN, RWL, STI) VALUES (:id, :obr, :ijr, :rgn, :rwl, :sti)")
        , share(tr,
              "INSERT INTO UDZIALY (UID, ID_PODM, ID_JEDN, RWD, UD, UD_NR, STI) "
              "VALUES (:uid, :pdm, :jedn, :rwd, :ud, :udnr, :sti)")
        , parcel(tr,
              "INSERT INTO DZIALKA (ID, RJDR, IDD, ARK, PEW, STATUS) VALUES (:id, :rjdr, :idd, :ark, :pew, :status)")
        , landUse(tr,
              "INSERT INTO UZYTKI (ID, RDZE, OFU, OZU, OZK, PEW, STATUS) "
              "VALUES (:id, :rdze, :ofu, :ozu, :ozk, :pew, :status)")
    {
    }
    fb::Query subject, person, institution, group, member, couple, address, post, locality, street, commune, precinct,
        unit, share, parcel, landUse;
};

class Generator
{
public:
    Generator(fb::Transaction& tr, const DemoOptions& options)
        : rng_(options.seed)
        , size_(options.subjects)
        , in_(tr)
    {
        for (const auto& s : Surnames())
            surnames_.push_back({ Utf8ToWindows1250(s.male), Utf8ToWindows1250(s.female) });
        maleNames_ = Converted(MaleNames());
        femaleNames_ = Converted(FemaleNames());
        localities_ = Converted(Localities());
        towns_ = Converted(Towns());
        streets_ = Converted(Streets());
        saints_ = Converted(Saints());
        for (const auto& k : LandUseKinds) {
            landUseKinds_.push_back({ Utf8ToWindows1250(k.ofu), Utf8ToWindows1250(k.ozu), k.classSet, k.weight });
            landUseWeightSum_ += k.weight;
        }
    }

    DemoCounts Run()
    {
        Dictionaries();
        Addresses();
        Persons();
        Institutions();
        Groups();
        Couples();
        Precincts();
        Units();
        Shares();
        Parcels();
        LandUses();
        return counts_;
    }

private:
    struct LandUseKindText {
        std::string ofu, ozu;
        int classSet, weight;
    };
    struct Husband {
        int personId;
        int surname;
        Int radr;
        Text nrl;
    };

    template <typename T> const T& Pick(const std::vector<T>& pool) { return pool[rng_.Below(pool.size())]; }
    std::string Digits(int count)
    {
        std::string s;
        for (int i = 0; i < count; ++i)
            s += static_cast<char>('0' + rng_.Below(10));
        return s;
    }
    std::string Number(int lo, int hi) { return std::to_string(rng_.Between(lo, hi)); }
    Text Flat() { return rng_.Chance(150) ? Text(Number(1, 60)) : std::nullopt; }
    Int SomeAddress() { return rng_.Chance(30) ? Int() : Int(rng_.Between(1, size_.addresses)); }
    int Status() { return rng_.Chance(30) ? 2 : (rng_.Chance(550) ? 0 : 1); }

    // Post offices and localities take the town names first; every town is also a commune.
    void Dictionaries()
    {
        int id = 0;
        for (const auto& town : towns_) {
            in_.post.SetInteger("id", ++id);
            in_.post.SetText("naz", town);
            in_.post.Execute();
        }
        counts_.dictionaryRows += id;

        id = 0;
        for (const auto* pool : { &towns_, &localities_ })
            for (const auto& name : *pool) {
                in_.locality.SetInteger("id", ++id);
                in_.locality.SetText("naz", name);
                in_.locality.Execute();
            }
        counts_.dictionaryRows += id;

        id = 0;
        for (const auto& name : streets_) {
            in_.street.SetInteger("id", ++id);
            in_.street.SetText("naz", "ul. " + name);
            in_.street.SetText("nzs", name);
            in_.street.Execute();
        }
        counts_.dictionaryRows += id;

        id = 0;
        for (const auto& town : towns_) {
            in_.commune.SetInteger("id", ++id);
            in_.commune.SetText("gmn", town);
            in_.commune.SetText("krj", "Polska");
            in_.commune.SetText("wjd", Utf8ToWindows1250("łódzkie"));
            in_.commune.SetText("pwj", Utf8ToWindows1250("łowicki"));
            in_.commune.SetText("nrg", "1004" + std::to_string(10 + id) + "2");
            in_.commune.Execute();
        }
        counts_.dictionaryRows += id;
    }

    // Structured addresses in towns (with a street) and villages (without), a few with
    // missing or dangling dictionary references, and some free-text addresses.
    void Addresses()
    {
        const int towns = static_cast<int>(towns_.size());
        const int villages = static_cast<int>(localities_.size());
        const int dangling = 9000;
        for (int id = 1; id <= size_.addresses; ++id) {
            auto& q = in_.address;
            q.SetInteger("id", id);
            const int town = rng_.Between(1, towns);
            const std::string code = "99-4" + Digits(2);
            if (rng_.Chance(50)) {
                // Each draw in its own statement: the order of operands is not fixed in C++.
                const bool street = rng_.Chance(500);
                std::string text = street ? "ul. " + Pick(streets_) : Pick(localities_);
                text += " " + Number(1, street ? 80 : 120);
                text += rng_.Chance(100) ? ";;" : ";";
                text += code + " " + towns_[town - 1];
                for (auto name : { "pocz", "miej", "ulic", "gmin", "nra" })
                    q.SetNull(name);
                q.SetText("kod", code);
                q.SetInteger("tar", 2);
                q.SetText("naz", text);
            } else {
                const bool inTown = rng_.Chance(400);
                Int post = rng_.Chance(30) ? Int() : Int(rng_.Chance(10) ? dangling : town);
                Int locality = inTown ? town : towns + rng_.Between(1, villages);
                if (rng_.Chance(15))
                    locality = rng_.Chance(500) ? Int() : Int(dangling);
                Int street = inTown ? Int(rng_.Between(1, static_cast<int>(streets_.size()))) : Int();
                if (inTown && rng_.Chance(10))
                    street = dangling;
                Int commune = rng_.Chance(20) ? Int() : Int(rng_.Chance(10) ? dangling : town);
                Bind(q, "pocz", post);
                Bind(q, "miej", locality);
                Bind(q, "ulic", street);
                Bind(q, "gmin", commune);
                Bind(q, "kod", rng_.Chance(20) ? Text() : Text(code));
                Text house = Number(1, 150);
                if (rng_.Chance(100))
                    *house += static_cast<char>('a' + rng_.Below(4));
                if (rng_.Chance(20))
                    house.reset();
                Bind(q, "nra", house);
                Bind(q, "tar", rng_.Chance(30) ? Int() : Int(1));
                q.SetNull("naz");
            }
            q.Execute();
            ++counts_.addresses;
        }
    }

    int AddPerson(bool man, int surname, Int radr, Text nrl)
    {
        const int id = ++counts_.persons;
        auto& q = in_.person;
        q.SetInteger("id", id);
        // About one person in three hundred has no surname on record.
        Bind(q, "nzw", rng_.Chance(3) ? Text() : Text(man ? surnames_[surname].first : surnames_[surname].second));
        const auto& names = man ? maleNames_ : femaleNames_;
        q.SetText("pim", Pick(names));
        Bind(q, "dim", rng_.Chance(450) ? Text(Pick(names)) : Text());
        Bind(q, "oim", rng_.Chance(80) ? Text() : Text(Pick(maleNames_)));
        Bind(q, "mim", rng_.Chance(100) ? Text() : Text(Pick(femaleNames_)));
        q.SetText("plec", man ? "M" : "K");
        Bind(q, "radr", radr);
        Bind(q, "nrl", nrl);
        q.Execute();
        AddSubject(id, "F", id);
        return id;
    }

    void AddSubject(int idPdm, std::string_view kind, int idOs)
    {
        in_.subject.SetInteger("id", idPdm);
        in_.subject.SetText("typ", kind);
        in_.subject.SetInteger("idos", idOs);
        in_.subject.Execute();
        ++counts_.subjects;
    }

    // The spouses first (some husbands married twice), then single persons of both sexes.
    void Persons()
    {
        const int surnames = static_cast<int>(surnames_.size());
        for (int c = 0; c < size_.couples; ++c) {
            const Husband* husband = nullptr;
            if (c > 10 && rng_.Chance(20)) {
                husband = &husbands_[rng_.Below(static_cast<std::uint32_t>(husbands_.size()))];
            } else {
                Husband h { 0, static_cast<int>(rng_.Below(surnames)), SomeAddress(), Flat() };
                h.personId = AddPerson(true, h.surname, h.radr, h.nrl);
                husbands_.push_back(h);
                husband = &husbands_.back();
            }
            const Husband hus = *husband; // the vector may grow below
            const int surname = rng_.Chance(850) ? hus.surname : static_cast<int>(rng_.Below(surnames));
            const bool together = rng_.Chance(800);
            const Int radr = together ? hus.radr : SomeAddress();
            const Text nrl = together ? hus.nrl : Flat();
            const int wife = AddPerson(false, surname, radr, nrl);
            marriages_.push_back({ hus.personId, wife });
        }
        while (counts_.persons < size_.persons) {
            const bool man = rng_.Chance(500);
            const int surname = static_cast<int>(rng_.Below(surnames));
            const Int radr = SomeAddress();
            const Text nrl = Flat();
            AddPerson(man, surname, radr, nrl);
        }
    }

    std::pair<std::string, std::string> InstitutionName(int index)
    {
        const std::string& town = Pick(towns_);
        const std::string& village = Pick(localities_);
        auto t = [](std::string_view s) { return Utf8ToWindows1250(s); };
        switch (index % 12) {
        case 0:
            return { t("Skarb Państwa"), t("Skarb Państwa") };
        case 1:
            return { "Gm. " + town, "Gmina " + town };
        case 2:
            return { "Nadl. " + town, t("Nadleśnictwo ") + town };
        case 3:
            return { "SKR " + village, t("Spółdzielnia Kółek Rolniczych w ") + village };
        case 4:
            return { "RSP " + village, t("Rolnicza Spółdzielnia Produkcyjna w ") + village };
        case 5:
            return { "GS " + town, t("Gminna Spółdzielnia \"Samopomoc Chłopska\" w ") + town };
        case 6:
            return { "Parafia " + village, t("Parafia Rzymskokatolicka pw. ") + Pick(saints_) + " w " + village };
        case 7:
            return { "OSP " + village, t("Ochotnicza Straż Pożarna w ") + village };
        case 8:
            return { t("Powiat łowicki"), t("Powiat Łowicki") };
        case 9:
            return { "KOWR", t("Krajowy Ośrodek Wsparcia Rolnictwa") };
        case 10:
            return { "GDDKiA", t("Generalna Dyrekcja Dróg Krajowych i Autostrad") };
        default:
            return { "PGW WP", t("Państwowe Gospodarstwo Wodne Wody Polskie") };
        }
    }

    void Institutions()
    {
        for (int i = 1; i <= size_.institutions; ++i) {
            auto [shortName, fullName] = InstitutionName(i - 1);
            auto& q = in_.institution;
            q.SetInteger("id", i);
            Bind(q, "nsk", rng_.Chance(10) ? Text() : Text(shortName));
            q.SetText("npe", fullName);
            Bind(q, "radr", SomeAddress());
            Bind(q, "nrlok", rng_.Chance(100) ? Text(Number(1, 20)) : Text());
            q.Execute();
            AddSubject(size_.FirstInstitution() + i - 1, "P", i);
            ++counts_.institutions;
        }
    }

    std::pair<std::string, std::string> GroupName()
    {
        const std::string& village = Pick(localities_);
        auto t = [](std::string_view s) { return Utf8ToWindows1250(s); };
        switch (rng_.Below(5)) {
        case 0:
            return { t("Wsp. gr. ") + village, t("Wspólnota gruntowa wsi ") + village };
        case 1:
            return { "SW " + village, t("Spółka wodna ") + village };
        case 2:
            return { t("Współwł. ") + village, t("Współwłaściciele nieruchomości w ") + village };
        case 3: {
            std::string street = Pick(streets_);
            street += " " + Number(1, 40);
            return { "WM " + street, t("Wspólnota mieszkaniowa ul. ") + street + " w " + Pick(towns_) };
        }
        default:
            return { t("KŁ ") + village, t("Koło łowieckie \"Darz Bór\" w ") + village };
        }
    }

    // A member: mostly persons, some institutions and couples.
    int SomeMember()
    {
        const int roll = static_cast<int>(rng_.Below(10));
        if (roll == 0)
            return size_.FirstInstitution() + static_cast<int>(rng_.Below(size_.institutions));
        if (roll <= 2 && size_.couples > 0)
            return size_.FirstCouple() + static_cast<int>(rng_.Below(size_.couples));
        return 1 + static_cast<int>(rng_.Below(size_.persons));
    }

    void Groups()
    {
        for (int g = 1; g <= size_.groups; ++g) {
            auto [shortName, fullName] = GroupName();
            auto& q = in_.group;
            q.SetInteger("id", g);
            q.SetText("nsk", shortName);
            q.SetText("npe", fullName);
            Bind(q, "radr", SomeAddress());
            Bind(q, "nrlok", Text());
            q.Execute();
            AddSubject(size_.FirstGroup() + g - 1, "I", g);
            ++counts_.groups;

            // The first group has a member of every kind.
            std::vector<int> members;
            if (g == 1) {
                members = { 1, size_.FirstInstitution() };
                if (size_.couples > 0)
                    members.push_back(size_.FirstCouple());
            }
            const int wanted = rng_.Between(2, 5);
            while (static_cast<int>(members.size()) < wanted) {
                const int m = SomeMember();
                if (std::find(members.begin(), members.end(), m) == members.end())
                    members.push_back(m);
            }
            for (const int m : members) {
                in_.member.SetInteger("grp", g);
                in_.member.SetInteger("pdm", m);
                in_.member.Execute();
                ++counts_.groupMembers;
            }
        }
    }

    void Couples()
    {
        int id = 0;
        for (const auto& [husband, wife] : marriages_) {
            in_.couple.SetInteger("id", ++id);
            in_.couple.SetInteger("maz", husband);
            in_.couple.SetInteger("zona", wife);
            in_.couple.Execute();
            AddSubject(size_.FirstCouple() + id - 1, "M", id);
            ++counts_.couples;
        }
    }

    void Precincts()
    {
        for (int id = 1; id <= size_.precincts; ++id) {
            const auto round = static_cast<std::size_t>(id - 1) / localities_.size();
            std::string name = localities_[static_cast<std::size_t>(id - 1) % localities_.size()];
            if (round > 0)
                name += " " + std::to_string(round + 1);
            in_.precinct.SetInteger("id", id);
            in_.precinct.SetText("naz", name);
            in_.precinct.Execute();
            ++counts_.precincts;
        }
    }

    void Units()
    {
        std::vector<int> lastNumber(static_cast<std::size_t>(size_.precincts) + 1, 0);
        for (int id = 1; id <= size_.units; ++id) {
            const int precinct = rng_.Between(1, size_.precincts);
            auto& q = in_.unit;
            q.SetInteger("id", id);
            q.SetInteger("obr", precinct);
            q.SetInteger("ijr", ++lastNumber[static_cast<std::size_t>(precinct)]);
            Text regon;
            if (rng_.Chance(250))
                regon = Digits(9);
            else if (rng_.Chance(20))
                regon = std::string();
            Bind(q, "rgn", regon);
            Bind(q, "rwl", rng_.Chance(30) ? Int() : Int(rng_.Chance(870) ? 1 : 2));
            q.SetInteger("sti", Status());
            q.Execute();
            ++counts_.units;
        }
    }

    // Every owner gets at least one; the rest fall at random.
    std::vector<int> Spread(int owners, int items)
    {
        std::vector<int> perOwner(static_cast<std::size_t>(owners), 1);
        for (int i = owners; i < items; ++i)
            ++perOwner[rng_.Below(static_cast<std::uint32_t>(owners))];
        return perOwner;
    }

    // The kind of right: mostly ownership, every other kind now and then, and some
    // kinds 6 and above that the statements never read.
    Int Right()
    {
        const int roll = static_cast<int>(rng_.Below(100));
        if (roll < 5)
            return Int();
        if (roll < 80)
            return 0;
        if (roll < 97)
            return 1 + (roll - 80) % 5;
        return 6 + (roll - 97);
    }

    void Shares()
    {
        const auto perUnit = Spread(size_.units, size_.shares);
        int uid = 0;
        for (int unit = 1; unit <= size_.units; ++unit) {
            const int entries = perUnit[static_cast<std::size_t>(unit - 1)];
            int holder = 0;
            for (int e = 0; e < entries; ++e) {
                // Now and then one subject holds two entries in one unit.
                if (e == 0 || !rng_.Chance(40))
                    holder = rng_.Between(1, size_.subjects);
                auto& q = in_.share;
                q.SetInteger("uid", ++uid);
                q.SetInteger("pdm", holder);
                q.SetInteger("jedn", unit);
                Bind(q, "rwd", Right());
                q.SetText("ud", "1/" + std::to_string(entries));
                q.SetFloat("udnr", 1.0 / entries);
                q.SetInteger("sti", Status());
                q.Execute();
                ++counts_.shares;
            }
        }
    }

    int ParcelArea()
    {
        const int roll = static_cast<int>(rng_.Below(100));
        if (roll < 25)
            return rng_.Between(200, 999);
        if (roll < 85)
            return rng_.Between(1000, 20000);
        return rng_.Between(20001, 80000);
    }

    // Parcel designations with a map sheet ("2.115") and without ("123/4").
    void Parcels()
    {
        const auto perUnit = Spread(size_.units, size_.parcels);
        int id = 0;
        for (int unit = 1; unit <= size_.units; ++unit) {
            for (int p = 0; p < perUnit[static_cast<std::size_t>(unit - 1)]; ++p) {
                auto& q = in_.parcel;
                Text sheet;
                std::string number = Number(1, 1500);
                if (rng_.Chance(400))
                    number += "/" + Number(1, 12);
                if (rng_.Chance(300))
                    sheet = Number(1, 12);
                q.SetInteger("id", ++id);
                q.SetInteger("rjdr", unit);
                q.SetText("idd", sheet ? *sheet + "." + number : number);
                Bind(q, "ark", sheet);
                const int area = ParcelArea();
                parcelAreas_.push_back(area);
                q.SetInteger("pew", area);
                q.SetInteger("status", Status());
                q.Execute();
                ++counts_.parcels;
            }
        }
    }

    const LandUseKindText& SomeLandUseKind()
    {
        int roll = static_cast<int>(rng_.Below(static_cast<std::uint32_t>(landUseWeightSum_)));
        for (const auto& k : landUseKinds_) {
            if (roll < k.weight)
                return k;
            roll -= k.weight;
        }
        return landUseKinds_.front();
    }

    Text SoilClass(int classSet)
    {
        switch (classSet) {
        case 1:
            return std::string(ArableClasses[rng_.Below(std::size(ArableClasses))]);
        case 2:
            return std::string(GrasslandClasses[rng_.Below(std::size(GrasslandClasses))]);
        case 3:
            return std::string(ForestClasses[rng_.Below(std::size(ForestClasses))]);
        default:
            return std::nullopt;
        }
    }

    // The land uses of a parcel share its area between them.
    void LandUses()
    {
        const auto perParcel = Spread(size_.parcels, size_.landUses);
        int id = 0;
        for (int parcel = 1; parcel <= size_.parcels; ++parcel) {
            const int uses = perParcel[static_cast<std::size_t>(parcel - 1)];
            int left = parcelAreas_[static_cast<std::size_t>(parcel - 1)];
            for (int u = 0; u < uses; ++u) {
                const int area = u + 1 == uses ? std::max(1, left) : std::max(1, left * rng_.Between(10, 80) / 100);
                left -= area;
                const auto& kind = SomeLandUseKind();
                auto& q = in_.landUse;
                q.SetInteger("id", ++id);
                q.SetInteger("rdze", parcel);
                Bind(q, "ofu", rng_.Chance(10) ? Text() : Text(kind.ofu));
                q.SetText("ozu", kind.ozu);
                Bind(q, "ozk", SoilClass(kind.classSet));
                q.SetInteger("pew", area);
                q.SetInteger("status", Status());
                q.Execute();
                ++counts_.landUses;
            }
        }
    }

    SplitMix64 rng_;
    Sizes size_;
    Inserts in_;
    DemoCounts counts_;
    std::vector<std::pair<std::string, std::string>> surnames_;
    std::vector<std::string> maleNames_, femaleNames_, localities_, towns_, streets_, saints_;
    std::vector<LandUseKindText> landUseKinds_;
    int landUseWeightSum_ = 0;
    std::vector<Husband> husbands_;
    std::vector<std::pair<int, int>> marriages_;
    std::vector<int> parcelAreas_;
};

} // namespace

DemoCounts FillDemoRegister(fb::Database& db, const DemoOptions& options)
{
    if (options.subjects < MinSubjects || options.subjects > MaxSubjects)
        throw std::invalid_argument("demo register: the subject count must be between " + std::to_string(MinSubjects)
            + " and " + std::to_string(MaxSubjects));
    fb::Transaction tr(db, fb::TransactionMode::Write);
    tr.Start();
    DemoCounts counts;
    {
        Generator generator(tr, options);
        counts = generator.Run();
    }
    tr.Commit();
    return counts;
}

DemoCounts CreateDemoRegister(
    fb::Database& db, const std::string& path, const DemoOptions& options, const reg::RegisterOptions& access)
{
    if (options.subjects < MinSubjects || options.subjects > MaxSubjects)
        throw std::invalid_argument("demo register: the subject count must be between " + std::to_string(MinSubjects)
            + " and " + std::to_string(MaxSubjects));
    reg::RegisterOptions withoutIndexes = access;
    withoutIndexes.withoutIndexes = true;
    reg::CreateRegister(db, path, withoutIndexes);
    const DemoCounts counts = FillDemoRegister(db, options);
    // Indexes built once over the loaded rows are quicker than kept up row by row.
    reg::ExecuteAll(db, reg::RegisterIndexDdl());
    return counts;
}

} // namespace zest::demo
