#include "Secrets.h"

#ifdef QUORVA_SECRETS
#include <libsecret/secret.h>
#endif

namespace {

#ifdef QUORVA_SECRETS
const SecretSchema *Schema() {
    static const SecretSchema schema = {
        "org.quorva.CalendarServer",
        SECRET_SCHEMA_NONE,
        {{"url", SECRET_SCHEMA_ATTRIBUTE_STRING},
         {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
         {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
        0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    return &schema;
}

// The store's own message, as a reason in the program's words.
std::string Reason(GError *error) {
    if (!error)
        return "the secret store refused";
    const bool absent =
        error->domain == G_IO_ERROR || error->domain == G_SPAWN_ERROR ||
        g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
        g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NO_SERVER) ||
        g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER) ||
        g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SPAWN_EXEC_FAILED) ||
        g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SPAWN_CHILD_EXITED) ||
        g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SPAWN_SERVICE_NOT_FOUND);
    const std::string why =
        absent ? "no secret store is running" : std::string("the secret store refused: ") + error->message;
    g_error_free(error);
    return why;
}
#endif

} // namespace

std::optional<std::string> LookUpPassword(const std::string &url, const std::string &user,
                                          std::string &why) {
#ifdef QUORVA_SECRETS
    GError *error = nullptr;
    gchar *password = secret_password_lookup_sync(Schema(), nullptr, &error, "url", url.c_str(),
                                                  "user", user.c_str(), nullptr);
    if (error) {
        why = Reason(error);
        return std::nullopt;
    }
    if (!password)
        return std::nullopt;
    std::string found = password;
    secret_password_free(password);
    return found;
#else
    (void)url;
    (void)user;
    why = "this build has no secret store";
    return std::nullopt;
#endif
}

bool KeepPassword(const std::string &url, const std::string &user, const std::string &password,
                  std::string &why) {
#ifdef QUORVA_SECRETS
    GError *error = nullptr;
    const std::string label = "Quorva calendar server " + (user.empty() ? url : user + " at " + url);
    if (!secret_password_store_sync(Schema(), SECRET_COLLECTION_DEFAULT, label.c_str(),
                                    password.c_str(), nullptr, &error, "url", url.c_str(), "user",
                                    user.c_str(), nullptr)) {
        why = Reason(error);
        return false;
    }
    return true;
#else
    (void)url;
    (void)user;
    (void)password;
    why = "this build has no secret store";
    return false;
#endif
}

bool ForgetPassword(const std::string &url, const std::string &user, std::string &why) {
#ifdef QUORVA_SECRETS
    GError *error = nullptr;
    secret_password_clear_sync(Schema(), nullptr, &error, "url", url.c_str(), "user",
                               user.c_str(), nullptr);
    if (error) {
        why = Reason(error);
        return false;
    }
    return true;
#else
    (void)url;
    (void)user;
    why = "this build has no secret store";
    return false;
#endif
}
