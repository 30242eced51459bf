#pragma once
// The register's statement catalogue: every SQL text that the statement writer sends,
// exactly as it goes to the server. Statements that carry a name range or an id list
// are assembled from the pieces below (see subjectlist.h for the subject lists).
//
// Named parameters: ":idp" and ":PID" are integers. The texts are plain ASCII.

#include <string_view>

namespace zest::reg
{

// Precinct names for the precinct table, in id order.
extern const std::string_view PrecinctQuery;
// Every current combination of form-of-use code, land-use code and soil class.
extern const std::string_view ClassQuery;
// The user the server knows the connection as (column u).
extern const std::string_view CurrentUserQuery;

// Natural persons: head, surname range, plan and order.
extern const std::string_view PersonListHead;
extern const std::string_view PersonFromPrefix; // " and nzw >= '"
extern const std::string_view PersonToPrefix; // " and nzw <= '"
extern const std::string_view PersonListPlan;
extern const std::string_view PersonListOrder;

// Institutions: head, full-name range, plan and order (sorted by the short name).
extern const std::string_view InstitutionListHead;
extern const std::string_view NameFromPrefix; // " and npe >= '"
extern const std::string_view NameToPrefix; // " and npe <= '"
extern const std::string_view InstitutionListPlan;
extern const std::string_view InstitutionListOrder;

// Group subjects: head and order; the range pieces are those of the institutions.
extern const std::string_view GroupListHead;
extern const std::string_view GroupListOrder;

// Closes a range condition.
extern const std::string_view BoundClose; // "'"

// The orders below that the rows' keys leave open (a person's marriages, a group's
// members, the rows of a member list, a person's subjects) are made definite by ids, so
// that a statement and its read-ahead give rows in the same order.
//
// The marriages of a man (:idp his OSOBY.ID): the couple's ID_PDM and the wife as Drugi.
extern const std::string_view HusbandMarriagesQuery;
// The marriages of a woman (:idp her OSOBY.ID): the couple's ID_PDM and the husband as Drugi.
extern const std::string_view WifeMarriagesQuery;
// A person's own subject id; "%d" stands for the person id.
extern const std::string_view SpouseSubjectQuery;
// Husband and wife of a couple (:idp the couple's ID_PDM).
extern const std::string_view CoupleMembersQuery;
// Members of a group subject (:idp the group's INNE_PODM.ID).
extern const std::string_view GroupMembersQuery;
// Member persons and member institutions; followed by a parenthesised id list and
// MemberListOrder.
extern const std::string_view MemberPersonsHead;
extern const std::string_view MemberInstitutionsHead;
extern const std::string_view MemberListOrder; // " order by ID"

// One address with the names of its dictionaries (:PID the ADRESY.ID).
extern const std::string_view AddressQuery;
// Every current land use that a subject holds (:idp the subject's ID_PDM). Land uses of
// one parcel come smallest area first, then by their codes (see HoldingsOrder).
extern const std::string_view HoldingsQuery;

// Statements that read ahead for a batch of subjects. "(%ids)" stands for a list of "?"
// parameters, the ids of the batch (the same list where it stands twice). Each gives the
// rows of its per-subject statement above, with the key it was asked for as the first
// column, in the same order for every key.
inline constexpr std::string_view IdListMarker = "(%ids)";
// Holdings of many subjects (IDP the subject), ordered by subject, then as HoldingsQuery.
extern const std::string_view BatchHoldingsQuery;
// Marriages of many men (KTO the husband) or women (KTO the wife).
extern const std::string_view BatchHusbandMarriagesQuery;
extern const std::string_view BatchWifeMarriagesQuery;
// Own subjects of many persons (ID_OS the person).
extern const std::string_view BatchPersonSubjectsQuery;
// Husband and wife of many couples (IDP the couple's subject).
extern const std::string_view BatchCoupleMembersQuery;
// Members of many group subjects (GRUPA the group's INNE_PODM.ID).
extern const std::string_view BatchGroupMembersQuery;
// Member persons and member institutions by id (ID the person or institution).
extern const std::string_view BatchMemberPersonsQuery;
extern const std::string_view BatchMemberInstitutionsQuery;
// Many addresses (ID the address).
extern const std::string_view BatchAddressQuery;

// Subjects named by id (a list of subjects given from outside the register): the list
// head of their kind, then this condition and a parenthesised list of decimal ids.
extern const std::string_view ListedIdsCondition; // " and PODMIOTY.ID_PDM in "
// The kind of each listed subject: ID_PDM and TYP, followed by a parenthesised id list.
extern const std::string_view SubjectKindsHead;
// A list limited to subjects with a current share in a unit of one precinct, "%d" the
// precinct's OBREBY.ID; a person counts also through a marriage of theirs, whose
// holdings stand in the person's statement. Written after the list head's conditions;
// the list then goes without its plan (the server plans the subqueries).
extern const std::string_view PrecinctShareCondition;
extern const std::string_view PersonPrecinctShareCondition;

} // namespace zest::reg
