#include "lib/Camera.h"

CCamera::CCamera() { D3DXMatrixIdentity(&m_View); }

CCamera::~CCamera() = default;
