// String-table ids of the net folder.
#pragma once
