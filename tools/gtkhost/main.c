/* zestawienia-gtk-host: a host that is not a Qt program. A GTK 3 window with a menu item
 * carrying the plug-in's caption; the plug-in is loaded with dlopen, gets the window's X11
 * id through GetTypeName, and its windows live on this program's GLib main loop.
 *
 *   zestawienia-gtk-host [--library PATH] [--database DB] [--user U] [--password P]
 *                        [--role R] [--open] [--screenshot FILE] [--commands] [--owner XID]
 *                        [--version]
 *
 * Without --library, the plug-in installed with this program, else the one of the build
 * tree.
 * --owner passes another window id to GetTypeName than the host's own (0 for none).
 *
 * --commands reads one command a line from standard input, inside the main loop:
 *   open [DB [USER [PASSWORD]]]
 *                 Analiza, as the menu item does; with other credentials when given
 *   open-thread   Analiza from a thread of its own (the plug-in must refuse it)
 *   unload        dlclose the plug-in
 *   load          dlopen it again and call GetTypeName
 *   screenshot F  save the screen to the PNG file F
 *   close XID     ask the window XID to close, as a window manager does (WM_DELETE_WINDOW)
 *   quit          unload the plug-in when loaded and exit 0 (also at the end of the input)
 * Each command is answered by one line on standard output ("ok open", "error ..."). */

#include <dlfcn.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef void (*GetTypeNameFn)(const char**, int32_t*, uint32_t);
typedef void (*AnalizaFn)(int32_t, const char*, const char*, const char*, const char*, int32_t);

typedef struct {
    const char* library_path;
    char* database; /* Windows-1250, as the register program keeps its texts */
    char* user;
    char* password;
    char* role;
    void* library;
    GetTypeNameFn get_type_name;
    AnalizaFn analiza;
    GtkWidget* window;
    GtkWidget* action_item;
    GMainLoop* loop;
    const char* owner; /* the handle for GetTypeName, when not the window's own */
    int exit_code;
} Host;

static void answer(const char* format, ...) G_GNUC_PRINTF(1, 2);

static void answer(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    putchar('\n');
    fflush(stdout);
}

static char* to_win1250(const char* utf8)
{
    char* converted = g_convert(utf8 ? utf8 : "", -1, "WINDOWS-1250", "UTF-8", NULL, NULL, NULL);
    return converted ? converted : g_strdup(utf8 ? utf8 : "");
}

static char* from_win1250(const char* text)
{
    char* converted = g_convert(text ? text : "", -1, "UTF-8", "WINDOWS-1250", NULL, NULL, NULL);
    return converted ? converted : g_strdup("?");
}

static gboolean plugin_load(Host* host)
{
    if (host->library)
        return TRUE;
    host->library = dlopen(host->library_path, RTLD_NOW | RTLD_LOCAL);
    if (!host->library) {
        fprintf(stderr, "cannot load %s: %s\n", host->library_path, dlerror());
        return FALSE;
    }
    host->get_type_name = (GetTypeNameFn)dlsym(host->library, "GetTypeName");
    host->analiza = (AnalizaFn)dlsym(host->library, "Analiza");
    if (!host->get_type_name || !host->analiza) {
        fprintf(stderr, "%s does not export GetTypeName and Analiza\n", host->library_path);
        dlclose(host->library);
        host->library = NULL;
        return FALSE;
    }
    const char* caption = NULL;
    int32_t kind = 0;
    const unsigned long xid
        = host->owner ? strtoul(host->owner, NULL, 0) : gdk_x11_window_get_xid(gtk_widget_get_window(host->window));
    host->get_type_name(&caption, &kind, (uint32_t)xid);
    char* label = from_win1250(caption);
    gtk_menu_item_set_label(GTK_MENU_ITEM(host->action_item), label);
    gtk_widget_set_sensitive(host->action_item, TRUE);
    g_free(label);
    return TRUE;
}

static void plugin_unload(Host* host)
{
    if (!host->library)
        return;
    gtk_widget_set_sensitive(host->action_item, FALSE);
    if (dlclose(host->library) != 0)
        fprintf(stderr, "dlclose: %s\n", dlerror());
    host->library = NULL;
    host->get_type_name = NULL;
    host->analiza = NULL;
}

static gboolean run_action(Host* host)
{
    if (!host->analiza)
        return FALSE;
    host->analiza(0, host->database, host->user, host->password, host->role, 0);
    return TRUE;
}

/* Analiza with the credentials the command names (space-separated, UTF-8), the host's
 * own for those it leaves out. */
static gboolean run_action_with(Host* host, const char* arguments)
{
    if (!host->analiza)
        return FALSE;
    gchar** given = g_strsplit_set(arguments, " \t", 3);
    const guint count = g_strv_length(given);
    char* database = count > 0 ? to_win1250(given[0]) : g_strdup(host->database);
    char* user = count > 1 ? to_win1250(given[1]) : g_strdup(host->user);
    char* password = count > 2 ? to_win1250(given[2]) : g_strdup(host->password);
    host->analiza(0, database, user, password, host->role, 0);
    g_free(database);
    g_free(user);
    g_free(password);
    g_strfreev(given);
    return TRUE;
}

static gpointer run_action_thread(gpointer data)
{
    run_action(data);
    return NULL;
}

static void on_action(GtkMenuItem* item, gpointer data)
{
    (void)item;
    run_action(data);
}

static gboolean save_screenshot(const char* file)
{
    GdkWindow* root = gdk_get_default_root_window();
    GdkPixbuf* shot = gdk_pixbuf_get_from_window(root, 0, 0, gdk_window_get_width(root), gdk_window_get_height(root));
    GError* error = NULL;
    const gboolean saved = shot && gdk_pixbuf_save(shot, file, "png", &error, NULL);
    if (!saved)
        fprintf(stderr, "cannot save the screenshot to %s: %s\n", file, error ? error->message : "no image");
    g_clear_error(&error);
    if (shot)
        g_object_unref(shot);
    return saved;
}

static void close_window(Window xid)
{
    Display* display = gdk_x11_get_default_xdisplay();
    XEvent event = { 0 };
    event.xclient.type = ClientMessage;
    event.xclient.window = xid;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, xid, False, NoEventMask, &event);
    XFlush(display);
}

static void quit(Host* host, int code)
{
    host->exit_code = code;
    g_main_loop_quit(host->loop);
}

static void run_command(Host* host, const char* line)
{
    if (strcmp(line, "open") == 0 || strncmp(line, "open ", 5) == 0) {
        if (line[4] ? run_action_with(host, line + 5) : run_action(host))
            answer("ok open");
        else
            answer("error open: the plug-in is not loaded");
    } else if (strcmp(line, "open-thread") == 0) {
        if (!host->analiza) {
            answer("error open-thread: the plug-in is not loaded");
            return;
        }
        g_thread_join(g_thread_new("analiza", run_action_thread, host));
        answer("ok open-thread");
    } else if (strcmp(line, "unload") == 0) {
        plugin_unload(host);
        answer("ok unload");
    } else if (strcmp(line, "load") == 0) {
        if (plugin_load(host))
            answer("ok load");
        else
            answer("error load");
    } else if (strncmp(line, "screenshot ", 11) == 0) {
        if (save_screenshot(line + 11))
            answer("ok screenshot");
        else
            answer("error screenshot");
    } else if (strncmp(line, "close ", 6) == 0) {
        close_window((Window)strtoul(line + 6, NULL, 0));
        answer("ok close");
    } else if (strcmp(line, "quit") == 0) {
        answer("ok quit");
        quit(host, 0);
    } else if (*line) {
        answer("error unknown command: %s", line);
    }
}

static gboolean on_input(GIOChannel* channel, GIOCondition condition, gpointer data)
{
    Host* host = data;
    char* line = NULL;
    gsize terminator = 0;
    const GIOStatus status = g_io_channel_read_line(channel, &line, NULL, &terminator, NULL);
    if (status == G_IO_STATUS_NORMAL && line) {
        line[terminator] = '\0';
        run_command(host, g_strstrip(line));
        g_free(line);
        return G_SOURCE_CONTINUE;
    }
    g_free(line);
    if (status == G_IO_STATUS_AGAIN && !(condition & G_IO_HUP))
        return G_SOURCE_CONTINUE;
    quit(host, 0); /* end of the input */
    return G_SOURCE_REMOVE;
}

static gboolean on_open_at_start(gpointer data)
{
    Host* host = data;
    run_action(host);
    return G_SOURCE_REMOVE;
}

typedef struct {
    Host* host;
    const char* file;
} Screenshot;

static gboolean on_screenshot_time(gpointer data)
{
    Screenshot* shot = data;
    quit(shot->host, save_screenshot(shot->file) ? 0 : 1);
    return G_SOURCE_REMOVE;
}

/* The plug-in installed with this program (ZEST_INSTALLED_PLUGIN, relative to the
 * program's folder), else the one built beside it in the build tree (ZEST_BUILT_PLUGIN). */
static gchar* default_plugin(void)
{
    gchar* program = g_file_read_link("/proc/self/exe", NULL);
    gchar* here = program ? g_path_get_dirname(program) : g_get_current_dir();
    g_free(program);
    gchar* path = NULL;
#ifdef ZEST_INSTALLED_PLUGIN
    path = g_canonicalize_filename(ZEST_INSTALLED_PLUGIN, here);
    if (!g_file_test(path, G_FILE_TEST_EXISTS))
        g_clear_pointer(&path, g_free);
#endif
    if (!path)
        path = g_canonicalize_filename(ZEST_BUILT_PLUGIN, here);
    g_free(here);
    return path;
}

/* --version, answered while the options are read, before a display is opened. */
static gboolean on_version(const gchar* name, const gchar* value, gpointer data, GError** error)
{
    (void)name;
    (void)value;
    (void)data;
    (void)error;
    printf("zestawienia-gtk-host %s\n", ZEST_VERSION);
    exit(0);
}

static gboolean on_delete(GtkWidget* widget, GdkEvent* event, gpointer data)
{
    (void)widget;
    (void)event;
    quit(data, 0);
    return TRUE;
}

int main(int argc, char* argv[])
{
    gchar* library_path = NULL;
    gchar* database = NULL;
    gchar* user = NULL;
    gchar* password = NULL;
    gchar* role = NULL;
    gchar* screenshot = NULL;
    gchar* owner = NULL;
    gboolean open_at_start = FALSE;
    gboolean commands = FALSE;
    const GOptionEntry entries[] = {
        { "library", 0, 0, G_OPTION_ARG_FILENAME, &library_path, "Plug-in library to load", "PATH" },
        { "database", 0, 0, G_OPTION_ARG_STRING, &database, "Register database (path or host:path)", "DB" },
        { "user", 0, 0, G_OPTION_ARG_STRING, &user, "User name (SYSDBA)", "U" },
        { "password", 0, 0, G_OPTION_ARG_STRING, &password, "Password (masterkey)", "P" },
        { "role", 0, 0, G_OPTION_ARG_STRING, &role, "SQL role", "R" },
        { "open", 0, 0, G_OPTION_ARG_NONE, &open_at_start, "Start the action right after start-up", NULL },
        { "screenshot", 0, 0, G_OPTION_ARG_FILENAME, &screenshot, "Save the screen to FILE after 2 s and quit",
            "FILE" },
        { "commands", 0, 0, G_OPTION_ARG_NONE, &commands, "Read commands from standard input", NULL },
        { "owner", 0, 0, G_OPTION_ARG_STRING, &owner, "Window id for GetTypeName instead of the host's", "XID" },
        { "version", 0, G_OPTION_FLAG_NO_ARG, G_OPTION_ARG_CALLBACK, (gpointer)on_version, "Print the version", NULL },
        { NULL, 0, 0, 0, NULL, NULL, NULL },
    };
    gdk_set_allowed_backends("x11"); /* the plug-in's owner is an X11 window id */
    GError* error = NULL;
    if (!gtk_init_with_args(&argc, &argv, "- hosts the statements plug-in", entries, NULL, &error)) {
        fprintf(stderr, "%s\n", error ? error->message : "cannot open the display");
        g_clear_error(&error);
        return 2;
    }

    Host host = { 0 };
    if (!library_path)
        library_path = default_plugin();
    host.library_path = library_path;
    host.database = to_win1250(database);
    host.user = to_win1250(user ? user : "SYSDBA");
    host.password = to_win1250(password ? password : "masterkey");
    host.role = to_win1250(role);
    host.loop = g_main_loop_new(NULL, FALSE);
    host.owner = owner;

    host.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(host.window), "Rejestr - zestawienia-gtk-host");
    gtk_window_set_default_size(GTK_WINDOW(host.window), 900, 700);
    g_signal_connect(host.window, "delete-event", G_CALLBACK(on_delete), &host);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    GtkWidget* bar = gtk_menu_bar_new();
    GtkWidget* actions = gtk_menu_item_new_with_label("Akcje");
    GtkWidget* menu = gtk_menu_new();
    host.action_item = gtk_menu_item_new_with_label("");
    g_signal_connect(host.action_item, "activate", G_CALLBACK(on_action), &host);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), host.action_item);
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(actions), menu);
    gtk_menu_shell_append(GTK_MENU_SHELL(bar), actions);
    gtk_box_pack_start(GTK_BOX(box), bar, FALSE, FALSE, 0);
    gtk_container_add(GTK_CONTAINER(host.window), box);
    gtk_widget_show_all(host.window);

    if (!plugin_load(&host))
        return 1;
    answer("ready window=0x%lx", gdk_x11_window_get_xid(gtk_widget_get_window(host.window)));

    if (open_at_start)
        g_idle_add(on_open_at_start, &host);
    Screenshot shot = { &host, screenshot };
    if (screenshot)
        g_timeout_add(2000, on_screenshot_time, &shot);
    if (commands) {
        GIOChannel* input = g_io_channel_unix_new(0);
        g_io_add_watch(input, G_IO_IN | G_IO_HUP | G_IO_ERR, on_input, &host);
        g_io_channel_unref(input);
    }

    g_main_loop_run(host.loop);
    plugin_unload(&host);
    gtk_widget_destroy(host.window);
    g_main_loop_unref(host.loop);
    g_free(host.database);
    g_free(host.user);
    g_free(host.password);
    g_free(host.role);
    g_free(library_path);
    return host.exit_code;
}
