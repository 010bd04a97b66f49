// A minimal C++ host of PwdPolicy: the same C interface, with the generated
// buffer owned by a unique_ptr so that every path frees it.
// Build with CMake: find_package(PwdPolicy) and link PwdPolicy::pwdpolicy.
#include <pwdpolicy.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

namespace {

struct FreeDeleter {
    void operator()(char* buffer) const { std::free(buffer); }
};
using Password = std::unique_ptr<char, FreeDeleter>;

// Ends the component's use when the host is done, however it leaves.
class Session {
public:
    Session() : code_(PPC_Initialize(nullptr, 0, 1)) {}
    ~Session() {
        if (code_ == PPC_OK) PPC_Finalize();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    unsigned int Code() const { return code_; }

private:
    unsigned int code_;
};

}  // namespace

int main(int argc, char** argv) {
    const std::string pwd = argc > 1 ? argv[1] : "Blue-Kettle-42";
    Session session;
    if (session.Code() != PPC_OK) {
        std::cerr << "PPC_Initialize failed: " << session.Code() << '\n';
        return 1;
    }

    unsigned int verdict = 0;
    if (PPC_IsMatchPolicy(pwd.c_str(), 0, 0, &verdict) != PPC_OK) return 1;
    std::cout << "verdict for policy 0: " << verdict
              << (verdict == PPC_MATCH ? " (matches)" : "") << '\n';

    unsigned int isWeak = 0;
    if (PPC_IsWeakPwd(pwd.c_str(), &isWeak) == PPC_OK) {
        std::cout << "weak: " << (isWeak ? "yes" : "no") << '\n';
    }

    char* raw = nullptr;
    unsigned int length = 16;
    if (PPC_GenSecPwdByPolicy(0, &raw, &length) != PPC_OK) return 1;
    Password generated(raw);
    std::cout << "generated a password of " << length << " characters\n";
    return 0;
}
