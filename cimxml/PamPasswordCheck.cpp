#include "PamPasswordCheck.h"

#include <security/pam_appl.h>

#include <cstdlib>
#include <cstring>
#include <string.h>

namespace orv::cimxml {

namespace {

struct Credentials {
    const std::string& user;
    const std::string& password;
};

void wipeAndFree(char* secret) {
    if (secret == nullptr) return;
    explicit_bzero(secret, std::strlen(secret));
    std::free(secret);
}

void dropAnswers(pam_response* answers, int count) {
    for (int i = 0; i < count; ++i) wipeAndFree(answers[i].resp);
    std::free(answers);
}

// PAM asks its questions through this: a hidden prompt gets the password, a
// visible one the user name; notices are read and answered with nothing. The
// module owns the answers once they are handed over and wipes them itself.
int answerPrompts(int count, const pam_message** messages, pam_response** responses, void* data) {
    if (count <= 0 || count > PAM_MAX_NUM_MSG) return PAM_CONV_ERR;
    const auto* credentials = static_cast<const Credentials*>(data);
    auto* answers = static_cast<pam_response*>(std::calloc(static_cast<std::size_t>(count), sizeof(pam_response)));
    if (answers == nullptr) return PAM_BUF_ERR;
    for (int i = 0; i < count; ++i) {
        const std::string* answer = nullptr;
        switch (messages[i]->msg_style) {
        case PAM_PROMPT_ECHO_OFF: answer = &credentials->password; break;
        case PAM_PROMPT_ECHO_ON: answer = &credentials->user; break;
        case PAM_ERROR_MSG:
        case PAM_TEXT_INFO: continue;
        default: dropAnswers(answers, count); return PAM_CONV_ERR;
        }
        answers[i].resp = strdup(answer->c_str());
        if (answers[i].resp == nullptr) {
            dropAnswers(answers, count);
            return PAM_BUF_ERR;
        }
    }
    *responses = answers;
    return PAM_SUCCESS;
}

}  // namespace

void wipe(std::string& secret) {
    if (!secret.empty()) explicit_bzero(secret.data(), secret.size());
    secret.clear();
}

std::optional<std::string> PamPasswordCheck::check(const std::string& user, const std::string& password,
                                                   std::string& reason) const {
    // A PAM stack may hand an empty password to a module that takes it
    // (nullok); over the network nobody gets in without one.
    if (user.empty() || password.empty()) {
        reason = "empty user name or password";
        return std::nullopt;
    }
    Credentials credentials{user, password};
    const pam_conv conversation{answerPrompts, &credentials};
    pam_handle_t* handle = nullptr;
    int status = pam_start(service_.c_str(), user.c_str(), &conversation, &handle);
    if (status != PAM_SUCCESS) {
        reason = "PAM could not start the service " + service_;
        return std::nullopt;
    }
    status = pam_authenticate(handle, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);
    if (status == PAM_SUCCESS) status = pam_acct_mgmt(handle, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);

    std::optional<std::string> accepted;
    if (status == PAM_SUCCESS) {
        // A module may map the name it was given to another one.
        const void* item = nullptr;
        if (pam_get_item(handle, PAM_USER, &item) == PAM_SUCCESS && item != nullptr)
            accepted = static_cast<const char*>(item);
        else
            accepted = user;
    } else {
        reason = pam_strerror(handle, status);
    }
    pam_end(handle, status);
    return accepted;
}

}  // namespace orv::cimxml
