// The coupon box test.
#ifndef COMMANDS_COMMAND_COUPONBOX_H
#define COMMANDS_COMMAND_COUPONBOX_H

int CouponBoxTest();

#endif
