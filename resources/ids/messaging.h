// String-table ids of the messaging folder.
#pragma once
