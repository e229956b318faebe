/* The classic unrar DLL interface, implemented by this library for RAR 1.5-4.x archives.
 *
 * On 32-bit Windows every function is __stdcall and exported under its plain name; the structures
 * have the documented 32-bit layout. Elsewhere the same interface is a plain C API whose `char*`
 * strings are UTF-8.
 *
 * Conventions of this implementation:
 *  - RARGetDllVersion() returns 5: RAROpenArchiveDataEx carries Callback and UserData.
 *  - RARHeaderData(Ex).Flags are the raw file-header flags (0x01 split before, 0x02 split after,
 *    0x04 encrypted, 0x10 solid, (Flags & 0xE0) == 0xE0 directory, 0x100 large, 0x200 Unicode name).
 *  - FileName is in the OEM code page on Windows (the stored bytes of names without Unicode form),
 *    UTF-8 elsewhere; names use the platform's path separator.
 *  - Encrypted data or headers cannot be read: ERAR_MISSING_PASSWORD without a password,
 *    ERAR_BAD_PASSWORD with one.
 *  - With DestName == NULL the stored name must stay inside DestPath (no "..", absolute, drive, UNC
 *    or device paths, no ':' streams, no reserved device names); otherwise ERAR_ECREATE and nothing
 *    is written. DestName is used exactly as given. Unix symbolic links are never created
 *    (ERAR_ECREATE on extraction; RAR_TEST checks their stored target).
 */
#ifndef RARLIB_RARDLL_H
#define RARLIB_RARDLL_H

#ifdef _WIN32
#include <windows.h>
#else
#include <stdint.h>
typedef void* HANDLE;
typedef unsigned int UINT;
typedef intptr_t LPARAM;
#define PASCAL
#define CALLBACK
#endif

#include <wchar.h>

#define ERAR_SUCCESS 0
#define ERAR_END_ARCHIVE 10
#define ERAR_NO_MEMORY 11
#define ERAR_BAD_DATA 12
#define ERAR_BAD_ARCHIVE 13
#define ERAR_UNKNOWN_FORMAT 14
#define ERAR_EOPEN 15
#define ERAR_ECREATE 16
#define ERAR_ECLOSE 17
#define ERAR_EREAD 18
#define ERAR_EWRITE 19
#define ERAR_SMALL_BUF 20
#define ERAR_UNKNOWN 21
#define ERAR_MISSING_PASSWORD 22
#define ERAR_EREFERENCE 23
#define ERAR_BAD_PASSWORD 24

#define RAR_OM_LIST 0
#define RAR_OM_EXTRACT 1
#define RAR_OM_LIST_INCSPLIT 2

#define RAR_SKIP 0
#define RAR_TEST 1
#define RAR_EXTRACT 2

#define RAR_VOL_ASK 0
#define RAR_VOL_NOTIFY 1

#define RAR_DLL_VERSION 5

#define ROADF_VOLUME 0x0001
#define ROADF_COMMENT 0x0002
#define ROADF_LOCK 0x0004
#define ROADF_SOLID 0x0008
#define ROADF_NEWNUMBERING 0x0010
#define ROADF_SIGNED 0x0020
#define ROADF_RECOVERY 0x0040
#define ROADF_ENCHEADERS 0x0080
#define ROADF_FIRSTVOLUME 0x0100

enum UNRARCALLBACK_MESSAGES {
    UCM_CHANGEVOLUME,
    UCM_PROCESSDATA,
    UCM_NEEDPASSWORD,
    UCM_CHANGEVOLUMEW,
    UCM_NEEDPASSWORDW
};

typedef int(CALLBACK* UNRARCALLBACK)(UINT msg, LPARAM UserData, LPARAM P1, LPARAM P2);
typedef int(PASCAL* CHANGEVOLPROC)(char* ArcName, int Mode);
typedef int(PASCAL* PROCESSDATAPROC)(unsigned char* Addr, int Size);

#pragma pack(push, 1)

struct RARHeaderData {
    char ArcName[260];
    char FileName[260];
    UINT Flags;
    UINT PackSize;
    UINT UnpSize;
    UINT HostOS;
    UINT FileCRC;
    UINT FileTime;
    UINT UnpVer;
    UINT Method;
    UINT FileAttr;
    char* CmtBuf;
    UINT CmtBufSize;
    UINT CmtSize;
    UINT CmtState;
};

struct RARHeaderDataEx {
    char ArcName[1024];
    wchar_t ArcNameW[1024];
    char FileName[1024];
    wchar_t FileNameW[1024];
    UINT Flags;
    UINT PackSize;
    UINT PackSizeHigh;
    UINT UnpSize;
    UINT UnpSizeHigh;
    UINT HostOS;
    UINT FileCRC;
    UINT FileTime;
    UINT UnpVer;
    UINT Method;
    UINT FileAttr;
    char* CmtBuf;
    UINT CmtBufSize;
    UINT CmtSize;
    UINT CmtState;
    UINT Reserved[1024];
};

struct RAROpenArchiveData {
    char* ArcName;
    UINT OpenMode;
    UINT OpenResult;
    char* CmtBuf;
    UINT CmtBufSize;
    UINT CmtSize;
    UINT CmtState;
};

struct RAROpenArchiveDataEx {
    char* ArcName;
    wchar_t* ArcNameW;
    UINT OpenMode;
    UINT OpenResult;
    char* CmtBuf;
    UINT CmtBufSize;
    UINT CmtSize;
    UINT CmtState;
    UINT Flags;
    UNRARCALLBACK Callback;
    LPARAM UserData;
    UINT Reserved[28];
};

#pragma pack(pop)

#ifdef __cplusplus
extern "C" {
#endif

HANDLE PASCAL RAROpenArchive(struct RAROpenArchiveData* ArchiveData);
HANDLE PASCAL RAROpenArchiveEx(struct RAROpenArchiveDataEx* ArchiveData);
int PASCAL RARCloseArchive(HANDLE hArcData);
int PASCAL RARReadHeader(HANDLE hArcData, struct RARHeaderData* HeaderData);
int PASCAL RARReadHeaderEx(HANDLE hArcData, struct RARHeaderDataEx* HeaderData);
int PASCAL RARProcessFile(HANDLE hArcData, int Operation, char* DestPath, char* DestName);
int PASCAL RARProcessFileW(HANDLE hArcData, int Operation, wchar_t* DestPath, wchar_t* DestName);
void PASCAL RARSetCallback(HANDLE hArcData, UNRARCALLBACK Callback, LPARAM UserData);
void PASCAL RARSetChangeVolProc(HANDLE hArcData, CHANGEVOLPROC ChangeVolProc);
void PASCAL RARSetProcessDataProc(HANDLE hArcData, PROCESSDATAPROC ProcessDataProc);
void PASCAL RARSetPassword(HANDLE hArcData, char* Password);
int PASCAL RARGetDllVersion(void);

#ifdef __cplusplus
}
#endif

#endif
