#include "catalogue.h"

namespace zest::reg
{

const std::string_view PrecinctQuery = "select id, naz from obreby order by id";
const std::string_view ClassQuery = "select distinct ofu, ozu, ozk from uzytki where status in (0,1) order by ozu, ozk";
const std::string_view CurrentUserQuery = "select current_user as u from rdb$database";

const std::string_view PersonListHead
    = "select NZW,PIM,DIM,OIM,MIM,id_pdm, typ, id, Plec,RADR as id_ad, Nrl from OSOBY, Podmioty where osoby.id = "
      "Podmioty.id_os and PODMIOTY.TYP = 'F'";
const std::string_view PersonFromPrefix = " and nzw >= '";
const std::string_view PersonToPrefix = " and nzw <= '";
const std::string_view PersonListPlan
    = "  PLAN SORT (JOIN (osoby index (OSOBY_NZW_PIM_IDX),podmioty INDEX (typ_os_idx)))";
const std::string_view PersonListOrder = " order by NZW,PIM,DIM";

const std::string_view InstitutionListHead
    = "select NSK, NPE, ID_PDM, typ, id, RADR as id_ad, NrLok as NRL from INSTYTUCJE i, Podmioty where I.id = "
      "Podmioty.id_os and PODMIOTY.TYP = 'P'";
const std::string_view NameFromPrefix = " and npe >= '";
const std::string_view NameToPrefix = " and npe <= '";
// The FROM list gives INSTYTUCJE the alias I, and the server accepts only the alias
// in the plan: a plan naming the table fails to prepare on every variant.
const std::string_view InstitutionListPlan = "  PLAN SORT (JOIN (i index (NSK_IDX),podmioty INDEX (typ_os_idx)))";
const std::string_view InstitutionListOrder = " order by NSK";

const std::string_view GroupListHead
    = "select NPE, NSK, ID_PDM, typ,id, RADR as id_ad, NrLok as NRL,id_os from INNE_PODM, Podmioty where "
      "INNE_PODM.id = Podmioty.id_os and PODMIOTY.TYP = 'I'";
const std::string_view GroupListOrder = " order by NPE";

const std::string_view BoundClose = "'";

const std::string_view HusbandMarriagesQuery
    = "select id_pdm,zona as Drugi from MALZENSTWA, Podmioty where MAZ =:idp and PODMIOTY.TYP= 'M' and MALZENSTWA.id = "
      "Podmioty.id_os"
      "  PLAN SORT (JOIN (MALZENSTWA index (MAL_MAZ_IDX), podmioty INDEX (typ_os_idx)))"
      " order by MALZENSTWA.id";
const std::string_view WifeMarriagesQuery
    = "select id_pdm , maz as Drugi from MALZENSTWA, Podmioty where ZONA =:idp and PODMIOTY.TYP= 'M' and MALZENSTWA.id "
      "= Podmioty.id_os"
      "  PLAN SORT (JOIN (MALZENSTWA index (MAL_ZONA_IDX), podmioty INDEX (typ_os_idx)))"
      " order by MALZENSTWA.id";
const std::string_view SpouseSubjectQuery
    = "select id_pdm  from podmioty where typ = 'F' and id_os = %d order by id_pdm";

// OSOBY carries the alias O here, so its id is named through the alias in both halves;
// the server rejects the table name beside an alias ("Column unknown OSOBY.ID").
const std::string_view CoupleMembersQuery
    = "select NZW, PIM, DIM, OIM, MIM, PLEC, RADR as idAD, NRL from PODMIOTY P,Malzenstwa M, OSOBY O where P.id_pdm = "
      ":idp and m.id = p.id_os and m.MAZ = o.id"
      " union select NZW, PIM, DIM, OIM, MIM, PLEC, RADR as idAD, NRL from PODMIOTY P,Malzenstwa M, OSOBY O where "
      "p.id_pdm = :idp and m.id = p.id_os and m.Zona = o.id";
const std::string_view GroupMembersQuery
    = "select id_pdm,id_os,typ from Podmioty p,inne_podm_pow i where i.id_inne=:idp and i.id_podm = p.id_pdm"
      " order by i.id_podm";
const std::string_view MemberPersonsHead
    = "select nzw, pim, dim, oim, mim, RADR as idAD, NRL as NRL from OSOBY WHERE ID IN ";
const std::string_view MemberInstitutionsHead
    = "select nsk, npe, RADR as idAD, NrLok as NRL from instytucje WHERE ID IN ";
const std::string_view MemberListOrder = " order by ID";

// The address statement up to its condition, shared with its read-ahead below.
#define ZEST_ADDRESS_SELECT                                                                                            \
    "select\n"                                                                                                         \
    " A.*,\n"                                                                                                          \
    "P.NAZ as PCZ,\n"                                                                                                  \
    "G.KRJ, G.WJD, G.PWJ,G.GMN, G.NRG,\n"                                                                              \
    "U.NZS, U.NAZ as ULC,\n"                                                                                           \
    "M.NAZ as MSC\n"                                                                                                   \
    "from ADRESY A\n"                                                                                                  \
    "left join POCZTY_DIC P on A.ID_POCZ=P.ID\n"                                                                       \
    "left join MIEJSCOWOSCI_DIC M on A.ID_MIEJ=M.ID\n"                                                                 \
    "left join ULICE_DIC U on A.ID_ULIC=U.ID\n"                                                                        \
    "left join GMINY_DIC G on A.ID_GMIN=G.ID\n"

const std::string_view AddressQuery = ZEST_ADDRESS_SELECT "where A.ID=:PID";

const std::string_view HoldingsQuery
    = "select  j.id_obr as OBREB, j.ijr as JEDNOSTKA, j.rgn as REGON, j.rwl \n"
      "      ,  ud.rwd, ud.ud, ud.ud_nr\n"
      "      , d.idd as DZIALKA, d.ark as arkusz, d.pew as powDZ\n"
      "       , u.ozu, u.ofu, u.ozk, u.pew, ud.uid as idJROS\n"
      "from  jedn_rej j, udzialy ud, dzialka d, uzytki u\n"
      "where ud.id_podm=:idp and ud.id_jedn=j.id and d.rjdr=j.id and u.rdze=d.id\n"
      "and j.sti in (0,1) and d.status in (0,1) and u.status in (0,1) and ud.sti in (0,1)\n"
      "and (ud.rwd is null or ud.rwd < 6) \n"
      "\n"
      "PLAN SORT (JOIN (UD index (udz_podm_jedn_idx),J INDEX (JEDN_ID_STI_IJR_IDX),D INDEX (DZIALKA_RJDR_IDX),U INDEX "
      "(UZYTKI_IDX)))\n"
      "order by j.id_obr,  j.ijr,  ud.uid,  d.idd, d.id, u.pew, u.ozu, u.ozk, u.ofu";

// The land uses of one parcel have no order of their own in the register; before these
// keys the server gave them in whatever order its sort left equal keys.
const std::string_view BatchHoldingsQuery
    = "select ud.id_podm as IDP, j.id_obr as OBREB, j.ijr as JEDNOSTKA, j.rgn as REGON, j.rwl, ud.rwd, ud.ud, "
      "ud.ud_nr, d.idd as DZIALKA, d.ark as arkusz, d.pew as powDZ, u.ozu, u.ofu, u.ozk, u.pew, ud.uid as idJROS\n"
      "from jedn_rej j, udzialy ud, dzialka d, uzytki u\n"
      "where ud.id_podm in (%ids) and ud.id_jedn=j.id and d.rjdr=j.id and u.rdze=d.id\n"
      "and j.sti in (0,1) and d.status in (0,1) and u.status in (0,1) and ud.sti in (0,1)\n"
      "and (ud.rwd is null or ud.rwd < 6)\n"
      "PLAN SORT (JOIN (UD index (udz_podm_jedn_idx),J INDEX (JEDN_ID_STI_IJR_IDX),D INDEX (DZIALKA_RJDR_IDX),U INDEX "
      "(UZYTKI_IDX)))\n"
      "order by ud.id_podm, j.id_obr, j.ijr, ud.uid, d.idd, d.id, u.pew, u.ozu, u.ozk, u.ofu";

const std::string_view BatchHusbandMarriagesQuery
    = "select maz as KTO, id_pdm, zona as Drugi from MALZENSTWA, Podmioty where MAZ in (%ids) and PODMIOTY.TYP= 'M' "
      "and MALZENSTWA.id = Podmioty.id_os"
      "  PLAN SORT (JOIN (MALZENSTWA index (MAL_MAZ_IDX), podmioty INDEX (typ_os_idx)))"
      " order by maz, MALZENSTWA.id";
const std::string_view BatchWifeMarriagesQuery
    = "select zona as KTO, id_pdm, maz as Drugi from MALZENSTWA, Podmioty where ZONA in (%ids) and PODMIOTY.TYP= 'M' "
      "and MALZENSTWA.id = Podmioty.id_os"
      "  PLAN SORT (JOIN (MALZENSTWA index (MAL_ZONA_IDX), podmioty INDEX (typ_os_idx)))"
      " order by zona, MALZENSTWA.id";
const std::string_view BatchPersonSubjectsQuery
    = "select id_os, id_pdm from podmioty where typ = 'F' and id_os in (%ids) order by id_os, id_pdm";
const std::string_view BatchCoupleMembersQuery
    = "select P.id_pdm as IDP, NZW, PIM, DIM, OIM, MIM, PLEC, RADR as idAD, NRL from PODMIOTY P,Malzenstwa M, OSOBY O "
      "where P.id_pdm in (%ids) and m.id = p.id_os and m.MAZ = o.id"
      " union select P.id_pdm as IDP, NZW, PIM, DIM, OIM, MIM, PLEC, RADR as idAD, NRL from PODMIOTY P,Malzenstwa M, "
      "OSOBY O where p.id_pdm in (%ids) and m.id = p.id_os and m.Zona = o.id"
      " order by 1, 2, 3, 4, 5, 6, 7, 8, 9";
const std::string_view BatchGroupMembersQuery
    = "select i.id_inne as GRUPA, id_pdm, id_os, typ from Podmioty p, inne_podm_pow i where i.id_inne in (%ids) and "
      "i.id_podm = p.id_pdm order by i.id_inne, i.id_podm";
const std::string_view BatchMemberPersonsQuery
    = "select id, nzw, pim, dim, oim, mim, RADR as idAD, NRL as NRL from OSOBY WHERE ID IN (%ids) order by id";
const std::string_view BatchMemberInstitutionsQuery
    = "select id, nsk, npe, RADR as idAD, NrLok as NRL from instytucje WHERE ID IN (%ids) order by id";
const std::string_view BatchAddressQuery = ZEST_ADDRESS_SELECT "where A.ID in (%ids)";
#undef ZEST_ADDRESS_SELECT

const std::string_view ListedIdsCondition = " and PODMIOTY.ID_PDM in ";
const std::string_view SubjectKindsHead = "select ID_PDM, TYP from PODMIOTY where ID_PDM in ";

// The share and its unit current, as the holdings statement counts them.
#define ZEST_PRECINCT_SHARE(subject)                                                                                   \
    "exists (select 1 from UDZIALY ud, JEDN_REJ j where ud.ID_PODM = " subject " and j.ID = ud.ID_JEDN"                \
    " and j.ID_OBR = %d and j.STI in (0,1) and ud.STI in (0,1))"

const std::string_view PrecinctShareCondition = " and " ZEST_PRECINCT_SHARE("PODMIOTY.ID_PDM");
const std::string_view PersonPrecinctShareCondition
    = " and (" ZEST_PRECINCT_SHARE("PODMIOTY.ID_PDM") " or exists (select 1 from MALZENSTWA m, PODMIOTY pm where "
                                                      "(m.MAZ = OSOBY.ID or m.ZONA = OSOBY.ID) and pm.TYP = 'M' and "
                                                      "pm.ID_OS = m.ID and " ZEST_PRECINCT_SHARE("pm.ID_PDM") "))";

#undef ZEST_PRECINCT_SHARE

} // namespace zest::reg
