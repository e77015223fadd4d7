#pragma once

class CGroupTree;
class CAddressList;

// The one document: it holds no contacts, only the two panes, which each pane sets when it is
// created, so that the frame and the panes can reach each other.
class CVOK_AddressDoc
{
public:
    CGroupTree* groupTree = nullptr;
    CAddressList* addressList = nullptr;
};
