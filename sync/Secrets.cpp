#include "Secrets.h"

#ifdef QUORVA_SECRETS
#include "LoadedLibrary.h"

#include <libsecret/secret.h> // types only: the library is loaded when first needed

namespace {

// libsecret and the GLib it brings are loaded at the first use, not at every start of
// quorva-cli: most runs (the agenda, an export) never need a password.
struct TSecretLibrary {
    using TLookup = gchar *(*)(const SecretSchema *, GCancellable *, GError **, ...);
    using TStore = gboolean (*)(const SecretSchema *, const gchar *, const gchar *, const gchar *,
                                GCancellable *, GError **, ...);
    using TClear = gboolean (*)(const SecretSchema *, GCancellable *, GError **, ...);
    using TFree = void (*)(gchar *);
    using TErrorFree = void (*)(GError *);
    using TQuark = GQuark (*)();
    TLookup Lookup = nullptr;
    TStore Store = nullptr;
    TClear Clear = nullptr;
    TFree Free = nullptr;
    TErrorFree ErrorFree = nullptr;
    TQuark DBusError = nullptr, IoError = nullptr, SpawnError = nullptr;
    bool Loaded = false;

    TSecretLibrary() {
        void *library = dlopen("libsecret-1.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return;
        Loaded = FindSymbol(library, Lookup, "secret_password_lookup_sync") &&
                 FindSymbol(library, Store, "secret_password_store_sync") &&
                 FindSymbol(library, Clear, "secret_password_clear_sync") &&
                 FindSymbol(library, Free, "secret_password_free") &&
                 FindSymbol(library, ErrorFree, "g_error_free") &&
                 FindSymbol(library, DBusError, "g_dbus_error_quark") &&
                 FindSymbol(library, IoError, "g_io_error_quark") &&
                 FindSymbol(library, SpawnError, "g_spawn_error_quark");
    }
};

const TSecretLibrary *Library(std::string &why) {
    static const TSecretLibrary library;
    if (!library.Loaded) {
        why = "libsecret is not installed";
        return nullptr;
    }
    return &library;
}

const SecretSchema *Schema() {
    static const SecretSchema schema = {"org.quorva.CalendarServer",
                                        SECRET_SCHEMA_NONE,
                                        {{"url", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    return &schema;
}

// The store's own message, as a reason in the program's words.
std::string Reason(const TSecretLibrary &library, GError *error) {
    if (!error)
        return "the secret store refused";
    const GQuark dbus = library.DBusError();
    const bool absent =
        error->domain == library.IoError() || error->domain == library.SpawnError() ||
        (error->domain == dbus &&
         (error->code == G_DBUS_ERROR_SERVICE_UNKNOWN || error->code == G_DBUS_ERROR_NO_SERVER ||
          error->code == G_DBUS_ERROR_NAME_HAS_NO_OWNER ||
          error->code == G_DBUS_ERROR_SPAWN_EXEC_FAILED ||
          error->code == G_DBUS_ERROR_SPAWN_CHILD_EXITED ||
          error->code == G_DBUS_ERROR_SPAWN_SERVICE_NOT_FOUND));
    const std::string why = absent ? "no secret store is running"
                                   : std::string("the secret store refused: ") + error->message;
    library.ErrorFree(error);
    return why;
}
} // namespace

std::optional<std::string> LookUpPassword(const std::string &url, const std::string &user,
                                          std::string &why) {
    const TSecretLibrary *library = Library(why);
    if (!library)
        return std::nullopt;
    GError *error = nullptr;
    gchar *password = library->Lookup(Schema(), nullptr, &error, "url", url.c_str(), "user",
                                      user.c_str(), nullptr);
    if (error) {
        why = Reason(*library, error);
        return std::nullopt;
    }
    if (!password)
        return std::nullopt;
    std::string found = password;
    library->Free(password);
    return found;
}

bool KeepPassword(const std::string &url, const std::string &user, const std::string &password,
                  std::string &why) {
    const TSecretLibrary *library = Library(why);
    if (!library)
        return false;
    GError *error = nullptr;
    const std::string label =
        "Quorva calendar server " + (user.empty() ? url : user + " at " + url);
    if (!library->Store(Schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), password.c_str(),
                        nullptr, &error, "url", url.c_str(), "user", user.c_str(), nullptr)) {
        why = Reason(*library, error);
        return false;
    }
    return true;
}

bool ForgetPassword(const std::string &url, const std::string &user, std::string &why) {
    const TSecretLibrary *library = Library(why);
    if (!library)
        return false;
    GError *error = nullptr;
    library->Clear(Schema(), nullptr, &error, "url", url.c_str(), "user", user.c_str(), nullptr);
    if (error) {
        why = Reason(*library, error);
        return false;
    }
    return true;
}

#else // a build without libsecret's headers: no secret store

namespace {
constexpr char NoStore[] = "this build has no secret store";
}

std::optional<std::string> LookUpPassword(const std::string &, const std::string &,
                                          std::string &why) {
    why = NoStore;
    return std::nullopt;
}

bool KeepPassword(const std::string &, const std::string &, const std::string &,
                  std::string &why) {
    why = NoStore;
    return false;
}

bool ForgetPassword(const std::string &, const std::string &, std::string &why) {
    why = NoStore;
    return false;
}

#endif
