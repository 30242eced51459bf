// The DLL as a Windows host sees it: loaded with LoadLibraryExW, its exports found with
// GetProcAddress by their undecorated names and called through function pointers declared
// the way a 32-bit host declares them (WINAPI, DWORD for the window handle, LONG for the
// kind and the reserved values, a pointer to a text pointer for the caption). Built in both
// Windows builds; in the 32-bit one __stdcall is real, and each call is also made by a
// thunk in assembly that pushes the arguments as 4-byte slots, as such a host does, and
// measures what the callee left on the stack: a __stdcall callee pops its own arguments
// (12 bytes for GetTypeName, 24 for Analiza), so nothing is left.
#include <gtest/gtest.h>

#include <windows.h>

#include <QApplication>
#include <QPushButton>
#include <QString>
#include <QTest>

#include <cstdint>
#include <string>

#include "plugin/exports.h"
#include "testregister.h"

namespace
{

// How a 32-bit host (a C or Delphi program of the register's kind) declares the two.
typedef void(WINAPI* HostGetTypeName)(LPCSTR* caption, LONG* kind, DWORD appHandle);
typedef void(WINAPI* HostAnaliza)(
    LONG reserved1, LPCSTR databaseName, LPCSTR userName, LPCSTR password, LPCSTR roleName, LONG reserved2);

// The sizes the interface fixes, the host's declaration against ours.
static_assert(sizeof(DWORD) == 4 && sizeof(std::uint32_t) == 4, "the window handle is 32-bit");
static_assert(sizeof(LONG) == 4 && sizeof(std::int32_t) == 4, "the kind and the reserved values are 32-bit");
static_assert(sizeof(LPCSTR*) == sizeof(void*) && sizeof(const char**) == sizeof(void*),
    "the caption's out parameter is pointer-sized");
static_assert(sizeof(LPCSTR) == sizeof(const char*), "the texts are pointers");
#if defined(_WIN64)
static_assert(sizeof(void*) == 8, "the 64-bit build");
#else
static_assert(sizeof(void*) == 4, "the 32-bit build");
#endif

#if defined(__i386__)
// std::uint32_t zest_stack_left(const void* fn, const std::uint32_t* args, std::uint32_t count):
// pushes args[count-1] .. args[0] (so args[0] is the first argument), the stack aligned to
// 16 bytes at the call, calls fn and returns how many bytes of the arguments the callee left
// on the stack (0 for __stdcall, 4 * count for __cdecl).
extern "C" std::uint32_t __cdecl zest_stack_left(const void* fn, const std::uint32_t* args, std::uint32_t count);
asm(R"(
    .text
    .globl _zest_stack_left
    .def _zest_stack_left; .scl 2; .type 32; .endef
_zest_stack_left:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    leal (,%ecx,4), %eax
    subl %eax, %esp
    andl $-16, %esp
    addl %eax, %esp
    movl %esp, %edi
1:  testl %ecx, %ecx
    jz 2f
    pushl -4(%esi,%ecx,4)
    decl %ecx
    jmp 1b
2:  call *8(%ebp)
    movl %edi, %eax
    subl %esp, %eax
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

// A pointer as the 4-byte slot a 32-bit host pushes.
std::uint32_t Slot(const void* p)
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
}
#endif

struct HostLoadedPlugin {
    HMODULE module = nullptr;
    HostGetTypeName getTypeName = nullptr;
    HostAnaliza analiza = nullptr;

    HostLoadedPlugin()
    {
        const std::wstring path = QString::fromUtf8(ZEST_PLUGIN_PATH).toStdWString();
        module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (!module)
            return;
        getTypeName
            = reinterpret_cast<HostGetTypeName>(reinterpret_cast<void*>(::GetProcAddress(module, "GetTypeName")));
        analiza = reinterpret_cast<HostAnaliza>(reinterpret_cast<void*>(::GetProcAddress(module, "Analiza")));
    }
    ~HostLoadedPlugin()
    {
        if (module)
            ::FreeLibrary(module);
    }
    bool Unload()
    {
        const bool freed = ::FreeLibrary(module);
        module = nullptr;
        return freed;
    }
};

QWidget* VisibleStatementWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "TForm1" && w->isVisible())
            return w;
    return nullptr;
}

TEST(HostAbiTest, ExportsAreFoundByTheirUndecoratedNamesOnly)
{
    HostLoadedPlugin plugin;
    ASSERT_NE(plugin.module, nullptr) << "LoadLibraryExW: error " << ::GetLastError();
    EXPECT_NE(plugin.getTypeName, nullptr);
    EXPECT_NE(plugin.analiza, nullptr);
    for (const char* decorated :
        { "GetTypeName@12", "_GetTypeName@12", "Analiza@24", "_Analiza@24", "_GetTypeName", "_Analiza" })
        EXPECT_EQ(::GetProcAddress(plugin.module, decorated), nullptr) << decorated;
    EXPECT_TRUE(plugin.Unload());
}

TEST(HostAbiTest, GetTypeNameThroughTheHostsDeclaration)
{
    HostLoadedPlugin plugin;
    ASSERT_NE(plugin.getTypeName, nullptr);
    LPCSTR caption = nullptr;
    LONG kind = 0;
    // A handle with its top bit set: read as 32 bits, nothing of it spills into another slot.
    plugin.getTypeName(&caption, &kind, 0x80000000u);
    EXPECT_STREQ(caption, "Akcja - Mezvar");
    EXPECT_EQ(kind, 1);
    // Each pointer may be left out.
    caption = nullptr;
    plugin.getTypeName(&caption, nullptr, 0);
    EXPECT_STREQ(caption, "Akcja - Mezvar");
    kind = 0;
    plugin.getTypeName(nullptr, &kind, 0);
    EXPECT_EQ(kind, 1);
    EXPECT_TRUE(plugin.Unload());
}

#if defined(__i386__)
TEST(HostAbiTest, GetTypeNamePopsItsTwelveBytes)
{
    HostLoadedPlugin plugin;
    ASSERT_NE(plugin.getTypeName, nullptr);
    LPCSTR caption = nullptr;
    LONG kind = 0;
    const std::uint32_t args[] = { Slot(&caption), Slot(&kind), 0xFFFFFFFFu };
    EXPECT_EQ(zest_stack_left(reinterpret_cast<const void*>(plugin.getTypeName), args, 3), 0u)
        << "GetTypeName did not pop its arguments: not __stdcall";
    EXPECT_STREQ(caption, "Akcja - Mezvar");
    EXPECT_EQ(kind, 1);
    EXPECT_TRUE(plugin.Unload());
}
#endif

// Analiza with reserved values that are not 0: the texts are read from their own slots,
// so the window connects to the register.
TEST(HostAbiTest, AnalizaThroughTheHostsDeclaration)
{
    zest::test::TestRegister reg("hostabi");
    reg.Exec("insert into uzytki (id, ofu, ozu, ozk, status) values (1, 'R', 'R', 'I', 0)");
    HostLoadedPlugin plugin;
    ASSERT_NE(plugin.analiza, nullptr);
    plugin.getTypeName(nullptr, nullptr, 0);
    const char* const password = zest::test::RegisterPassword();
#if defined(__i386__)
    const std::uint32_t args[]
        = { 0x7FFFFFFFu, Slot(reg.path().c_str()), Slot("SYSDBA"), Slot(password), Slot(""), 0xFFFFFFFFu };
    EXPECT_EQ(zest_stack_left(reinterpret_cast<const void*>(plugin.analiza), args, 6), 0u)
        << "Analiza did not pop its arguments: not __stdcall";
#else
    plugin.analiza(0x7FFFFFFF, reg.path().c_str(), "SYSDBA", password, "", -1);
#endif
    QWidget* form = VisibleStatementWindow();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->findChild<QPushButton*>("Button5")->isEnabled()); // connected and loaded
    EXPECT_TRUE(plugin.Unload());
    EXPECT_EQ(VisibleStatementWindow(), nullptr);
    QTest::qWait(100);
}

} // namespace
