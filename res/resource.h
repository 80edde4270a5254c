// Identifiers of the module's resources, shared by Corvane.rc and the dialog code.
#pragma once

#define IDD_SELECT_CERTIFICATE 201
#define IDC_CERTIFICATE_LIST 202
#define IDI_CERTIFICATE 203
#define IDB_BITMAP1 204
