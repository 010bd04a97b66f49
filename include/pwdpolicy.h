/*
 * PwdPolicy: judge, check and generate passwords against numbered policies.
 *
 * This is the only header a host includes. Every function returns a result
 * code (PPC_OK for success) and writes its answers through pointer
 * parameters. Out-parameters are not tested for null: passing writable
 * storage is the caller's duty. A function that fails leaves its
 * out-parameters untouched unless its comment says otherwise.
 *
 * Configuration always comes from PPC_CONFIG_PATH. Every function may be
 * called from any thread at any time, also while a reload is running.
 *
 * Reloads. With the timer on (PPC_Initialize with timerStartInd 1), SIGALRM
 * only marks a tick due: the handler does nothing else, so the signal may
 * interrupt any host code safely. The tick itself (read the file monitor;
 * on a change, reload the configuration and the dictionary) runs at the
 * start of the next PPC_ call on any thread, before that call reads any
 * data; one thread runs it while the others go on with the data in force.
 * That call pays for the reload: about as long as loading the files at
 * initialisation (tens of milliseconds for a 1,000,000-entry dictionary;
 * docs/benchmarks.md). A host that does not want a request to pay calls
 * PPC_RunDueTick from a thread of its own; from then on only those calls
 * run ticks. With nothing due, the check at the start of each call costs
 * one relaxed atomic load.
 *
 * Link with -lpwdpolicy (pkg-config: pwdpolicy).
 */
#ifndef PWDPOLICY_H
#define PWDPOLICY_H

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. */
#define PPC_OK 0u
/* The password buffer could not be allocated (or the length was refused). */
#define PPC_ERR_ALLOC 51u
/* PPC_Finalize: the component is not initialised. */
#define PPC_ERR_NOT_INITIALIZED 1001u
/* PPC_Initialize: the component is already initialised; nothing was done. */
#define PPC_ERR_ALREADY_INITIALIZED 1002u
/* An argument is null or out of range. */
#define PPC_ERR_BAD_ARGUMENT 1006u
/* PPC_Initialize: the reload timer could not be armed. */
#define PPC_ERR_TIMER 3002u
/* PPC_Initialize: the file monitor could not be set up. */
#define PPC_ERR_FILE_MONITOR 3003u
/* PPC_Initialize: the configuration or the dictionary could not be loaded. */
#define PPC_ERR_DATA_LOAD 3004u
/* The store holds no policy under the requested id. */
#define PPC_ERR_NO_POLICY 3005u

/* Verdicts of PPC_IsMatchPolicy. */
#define PPC_MATCH 0u
#define PPC_TOO_SHORT 1u
#define PPC_TOO_LONG 2u
#define PPC_TOO_FEW_CLASSES 3u
#define PPC_BAD_SPECIAL_CHAR 4u
/* Only for a policy that counts code points or normalises (ppc.conf(5),
 * lengthUnit and normalize): the password is not valid UTF-8. It comes
 * before every other verdict. */
#define PPC_INVALID_UTF8 5u

/* The one configuration file the component reads and watches. */
#define PPC_CONFIG_PATH "/usr/local/vesticor/conf/ppc.conf"
/* Version of the library, as written to the log banner. */
#define PPC_VERSION "1.1.2"

/*
 * Loads the configuration (and, when weakPwdUseInd is 1, the weak-password
 * dictionary it names) and marks the component initialised. With
 * timerStartInd 1 it also watches both files and arms a periodic SIGALRM
 * timer that reloads them when they change; the component then owns SIGALRM
 * and ITIMER_REAL for the whole process.
 * confFile is accepted and not read; it may be null. Before it checks the
 * indicators it seeds rand() and opens the log, so a call refused with
 * PPC_ERR_BAD_ARGUMENT has still reseeded rand().
 * Returns PPC_OK, PPC_ERR_ALREADY_INITIALIZED, PPC_ERR_BAD_ARGUMENT (an
 * indicator other than 0 or 1), PPC_ERR_DATA_LOAD, PPC_ERR_FILE_MONITOR or
 * PPC_ERR_TIMER. On failure the component stays uninitialised.
 */
unsigned int PPC_Initialize(const char* confFile, int timerStartInd, int weakPwdUseInd);

/*
 * Closes the file monitor, disarms the reload timer and gives SIGALRM back
 * the disposition it had before PPC_Initialize (unless the host installed a
 * handler of its own since), and marks the component uninitialised. Loaded
 * policies and dictionary stay in force. Call it before exec: ITIMER_REAL
 * survives execve. Returns PPC_OK or PPC_ERR_NOT_INITIALIZED.
 */
unsigned int PPC_Finalize(void);

/*
 * Reports policy policyId. When lenArraySize is 5, lenArray receives minlen,
 * maxlen, minclass, allowminlen and allowminclass in that order; for any
 * other size it is left untouched. *specialChar receives the policy's
 * special-character text, owned by the component: it never changes and
 * stays valid while the library is loaded, even across reloads (a reload
 * that changes the set makes later calls return a new text).
 * For an absent policy returns PPC_ERR_NO_POLICY with the fallback values
 * 8, 15 (id 0) or 32 (other ids), 3, 6, 2 and "~!#$%^&*()-_=+\|[{}]:,<.>?".
 * Never initialises the component.
 */
unsigned int PPC_GetPolicy(int policyId, int* lenArray, int lenArraySize, const char** specialChar);

/*
 * Judges pwd against policy policyId and writes a verdict (PPC_MATCH,
 * PPC_TOO_SHORT, PPC_TOO_LONG, PPC_TOO_FEW_CLASSES, PPC_BAD_SPECIAL_CHAR)
 * to *result. With specialCharCheckInd 1 every byte that is not an ASCII
 * letter or digit must also be in the policy's special set.
 * Returns PPC_OK when judged, PPC_ERR_BAD_ARGUMENT for a null pwd or an
 * indicator above 1, PPC_ERR_NO_POLICY for an absent policy.
 * Initialises the component (without monitor and timer) when needed.
 * A policy with the keys lengthUnit, normalize or composition (ppc.conf(5))
 * counts code points, judges the NFKC form, or drops the class and special
 * rules, and may answer PPC_INVALID_UTF8. Allocates nothing, except for the
 * normalised copy of a policy that normalises (PPC_ERR_ALLOC when memory
 * runs out for it).
 */
unsigned int PPC_IsMatchPolicy(const char* pwd, int policyId, unsigned int specialCharCheckInd,
                               unsigned int* result);

/*
 * Sets *isWeak to 1 when pwd, with leading and trailing blanks ignored, is
 * in the weak-password dictionary, else 0. Returns PPC_OK, or
 * PPC_ERR_BAD_ARGUMENT for a null pwd. Initialises the component when
 * needed, before testing pwd.
 */
unsigned int PPC_IsWeakPwd(const char* pwd, unsigned int* isWeak);

/*
 * Sets *isStrong to 1 when pwd has enough length and character classes for
 * policy 0 (its maximum length is not applied) and is not weak, else 0.
 * Returns PPC_OK, PPC_ERR_BAD_ARGUMENT for a null pwd, or PPC_ERR_NO_POLICY
 * when there is no policy 0. A policy 0 with rule keys (ppc.conf(5)) is
 * applied as PPC_IsMatchPolicy applies it, and when it normalises, the NFKC
 * form is looked up too; memory running out then gives PPC_ERR_ALLOC.
 */
unsigned int PPC_IsStrongPwd(const char* pwd, unsigned int* isStrong);

/*
 * Generates a password of *pwdLen characters with at least one lower-case
 * letter, upper-case letter and digit, and one character of specialChars
 * when it is not empty (specialChars may be empty, never null; it is used
 * as given, repeats and letters included). *pwd receives a buffer of
 * *pwdLen + 1 bytes from AllocMem, NUL terminated at index *pwdLen, that the
 * caller releases with free().
 * Randomness comes from rand(), drawn in a fixed order: with a fixed srand()
 * seed the output is reproducible, and every rand() user in the process
 * shares the sequence. It is NOT a cryptographic generator; see
 * libpwdpolicy(3) and docs/generator.md.
 * A length below 6 (including values of 2^31 and above, read as signed) is
 * replaced by 3006 and written back to *pwdLen: read the length back after
 * the call.
 * Returns PPC_OK, or PPC_ERR_ALLOC when the buffer could not be allocated
 * (then *pwd is untouched); a length of 2147483647 is refused with
 * PPC_ERR_ALLOC without allocating.
 * Never initialises the component, so before PPC_Initialize rand() runs from
 * its default seed. One allocation per password; time linear in the length.
 */
unsigned int PPC_GenSecPwd(const char* specialChars, char** pwd, unsigned int* pwdLen);

/*
 * Generates a password for policy policyId with PPC_GenSecPwd, using the
 * policy's special set as it stood when the call began (a concurrent reload
 * never mixes two versions). A requested length below 6 (2^31 and above
 * included) is replaced by the policy's minlen, written to *pwdLen; a minlen
 * itself below 6 then yields the generator's 3006. Requests of 6 and more
 * are generated as asked: neither minlen nor maxlen is applied.
 * Returns PPC_OK; PPC_ERR_NO_POLICY when there is no such policy (then *pwd
 * and *pwdLen are untouched and nothing is logged); PPC_ERR_ALLOC when the
 * buffer could not be allocated or the length was 2147483647 (then *pwd is
 * untouched, *pwdLen may hold minlen, and an ERROR line "Call GenSecPwd
 * failed : 51" is logged). Initialises the component (without dictionary,
 * monitor and timer) when needed.
 */
unsigned int PPC_GenSecPwdByPolicy(int policyId, char** pwd, unsigned int* pwdLen);

/* PPC_GenSecPwdByPolicy for the default policy, id 0. */
unsigned int PPC_GenDefaultSecPwd(char** pwd, unsigned int* pwdLen);

/*
 * Generates a password for policy policyId that cannot be predicted: use it
 * for passwords people or accounts will actually hold. PPC_GenSecPwdByPolicy
 * stays for hosts that need its reproducible rand() sequence; one of its
 * passwords is enough to recover the seed and every other password of the
 * process.
 * Arguments, length rules, buffer ownership (AllocMem, released with free())
 * and results are those of PPC_GenSecPwdByPolicy, on-demand initialisation
 * included. The password holds at least one lower-case letter, upper-case
 * letter and digit, and one special character when the policy's set has a
 * byte other than an ASCII letter or digit. Characters are drawn from the
 * kernel (getrandom), each equally likely within the alphabet of letters,
 * digits and the distinct special bytes of the set (repeats in the set do
 * not weigh more), and their positions shuffled, so every position has the
 * same distribution.
 * Never reads or moves rand()'s state (an on-demand initialisation seeds it
 * through PPC_Initialize, as for the other generator).
 * Returns PPC_OK; PPC_ERR_NO_POLICY (nothing written, nothing logged);
 * PPC_ERR_ALLOC when the buffer could not be allocated, the length was
 * 2147483647, or the kernel refused random bytes (then *pwd is untouched,
 * *pwdLen may hold minlen, and an ERROR line "Call GenCryptoPwd failed : 51"
 * is logged). One allocation per password.
 */
unsigned int PPC_GenCryptoPwdByPolicy(int policyId, char** pwd, unsigned int* pwdLen);

/*
 * Writes the ids of the policies in force, ascending, to ids[0] ..
 * ids[capacity - 1] and their number to *count, which may exceed capacity
 * (call again with a larger array). ids may be null when capacity is 0.
 * Never initialises the component. Returns PPC_OK, or PPC_ERR_BAD_ARGUMENT
 * for a null count or a null ids with a capacity above 0.
 */
unsigned int PPC_GetPolicyIds(int* ids, unsigned int capacity, unsigned int* count);

/*
 * Reasons of PPC_JudgePassword. Stable: a number keeps its meaning in every
 * later version, and new reasons get new numbers. 1 to 5 are the verdicts of
 * PPC_IsMatchPolicy under the same numbers.
 */
#define PPC_REASON_TOO_SHORT 1u          /* shorter than minlen */
#define PPC_REASON_TOO_LONG 2u           /* longer than maxlen */
#define PPC_REASON_TOO_FEW_CLASSES 3u    /* fewer character classes than minclass */
#define PPC_REASON_BAD_SPECIAL_CHAR 4u   /* a special character outside the policy's set */
#define PPC_REASON_INVALID_UTF8 5u       /* not UTF-8, and the policy needs it */
#define PPC_REASON_REPEATED_CHARS 6u     /* one character more times in a row than maxRepeat */
#define PPC_REASON_SEQUENTIAL_CHARS 7u   /* a run of consecutive characters longer than maxSequence */
#define PPC_REASON_WEAK 8u               /* in the weak-password dictionary */
#define PPC_REASON_BREACHED 9u           /* in the breached-password table */
#define PPC_REASON_EQUALS_CONTEXT 10u    /* a context word, or one reversed, case ignored */
#define PPC_REASON_CONTAINS_CONTEXT 11u  /* contains a context word of 4 or more characters */
#define PPC_REASON_EQUALS_OLD 12u        /* the old password, reversed, or with case changed */
#define PPC_REASON_TOO_CLOSE_TO_OLD 13u  /* differs from the old one in fewer than minOldDiff */
/* Room for every reason at once. */
#define PPC_MAX_REASONS 16u

/* Who and what the password belongs to; every member may be null (0). */
struct PPC_PasswordContext {
    const char* userName;      /* the login name */
    const char* fullName;      /* the full name, e.g. the GECOS field: split at commas and blanks */
    const char* const* words;  /* further context words (the service's name, ...); wordCount of them */
    unsigned int wordCount;
    const char* oldPassword;   /* the password being replaced */
};

/* What PPC_JudgePassword found. */
struct PPC_Judgement {
    unsigned int verdict;              /* PPC_IsMatchPolicy's verdict for the same arguments */
    unsigned int reasonCount;          /* 0: the password passes every rule */
    unsigned int reasons[PPC_MAX_REASONS];  /* PPC_REASON_..., in PPC_JudgePassword's order */
};

/*
 * Judges pwd against policy policyId with every rule at once: the policy's
 * (as PPC_IsMatchPolicy with specialCharCheckInd), its repetition and
 * sequence limits, the weak-password dictionary and the breach table (on
 * the password as given and, for a policy that normalises, on its NFKC
 * form), and, when the policy sets contextCheck 1 or minOldDiff, the
 * context: the password may not equal a context word or its reverse, nor
 * contain one of 4 or more characters (case ignored: user name, the parts
 * of the user and full names split at blanks, commas, dots, hyphens,
 * underscores and @, and each further word), nor equal the old password,
 * reversed or with its case changed; with minOldDiff N it must differ from
 * the old password in N characters (edit distance, case ignored).
 * context may be null: no context. Writes *judgement: every reason that
 * applies, the policy's first in PPC_IsMatchPolicy's order of precedence
 * (5, 1, 4, 3, 2), then the others by number; and in verdict
 * PPC_IsMatchPolicy's verdict, so reasons[0] == verdict whenever the
 * password breaks a policy rule. Nothing keeps the password or the context.
 * Returns PPC_OK when judged; PPC_ERR_BAD_ARGUMENT for a null pwd or
 * judgement, an indicator above 1, or null words with a wordCount above 0;
 * PPC_ERR_NO_POLICY for an absent policy (an ERROR line is logged);
 * PPC_ERR_ALLOC when memory ran out. Leaves
 * *judgement untouched unless it returns PPC_OK. Initialises the component
 * (without monitor and timer) when needed.
 */
unsigned int PPC_JudgePassword(const char* pwd, int policyId, unsigned int specialCharCheckInd,
                               const struct PPC_PasswordContext* context, struct PPC_Judgement* judgement);

/* What a note of the load report is about (PPC_LoadNote.source). */
#define PPC_SOURCE_CONFIGURATION 0u
#define PPC_SOURCE_DICTIONARY 1u
#define PPC_SOURCE_BREACH_TABLE 2u
/* Why (PPC_LoadNote.reason). PPC_NOTE_READ: the file was loaded and the
 * message says what it held; the others name what took no effect. */
#define PPC_NOTE_READ 0u
#define PPC_NOTE_LINE_TOO_LONG 1u    /* a configuration line ignored whole */
#define PPC_NOTE_MALFORMED_LINE 2u   /* neither a section, a key nor a comment */
#define PPC_NOTE_UNKNOWN_SECTION 3u  /* a key under a section the component does not read */
#define PPC_NOTE_UNKNOWN_KEY 4u      /* a key its section does not know */
#define PPC_NOTE_NO_POLICY 5u        /* a policy's record could not be made */
#define PPC_NOTE_DICTIONARY_ENDED 6u /* an empty line ended the dictionary early */
#define PPC_NOTE_UNREADABLE 7u       /* the file cannot be opened or is not a regular file */
#define PPC_NOTE_READ_FAILED 8u      /* a read error ended the file early */
#define PPC_NOTE_OUT_OF_MEMORY 9u    /* the load ran out of memory */
#define PPC_NOTE_UNUSABLE 10u        /* opened, but its content cannot be used */
#define PPC_NOTE_BAD_VALUE 11u       /* a policy rule key with a value it cannot take */

/* One note of the load report. The texts are valid during the visit only. */
struct PPC_LoadNote {
    unsigned int source;  /* PPC_SOURCE_... */
    unsigned int reason;  /* PPC_NOTE_... */
    const char* file;     /* the file's path */
    unsigned int line;    /* 1 for the first line; 0 for the file as a whole */
    const char* message;  /* what and why, in English, for people */
};
typedef void (*PPC_LoadNoteVisitor)(const struct PPC_LoadNote* note, void* context);

/*
 * Calls visit(note, context) for each note of the report of the last load
 * (initialisation or reload, whether it succeeded or not), in the order the
 * load made them: what each file gave, each line or key that was ignored
 * and why, each file that failed and why. Nothing is visited before the
 * first load. The visitor may call the other PPC_ functions. Never
 * initialises. Returns PPC_OK, or PPC_ERR_BAD_ARGUMENT for a null visit.
 */
unsigned int PPC_VisitLoadReport(PPC_LoadNoteVisitor visit, void* context);

/*
 * Runs the reload tick that SIGALRM marked due, now, on the calling thread,
 * and does nothing when none is due. For a host's maintenance thread: after
 * its first call, the other PPC_ functions no longer run due ticks, so no
 * request thread pays for a reload. Call it at least once a timer period
 * (the configuration's timerInterval). Never initialises. Returns PPC_OK.
 */
unsigned int PPC_RunDueTick(void);

#ifdef __cplusplus
}
#endif

#endif /* PWDPOLICY_H */
